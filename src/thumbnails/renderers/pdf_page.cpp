#include "thumbnails/renderers/pdf_page.h"

#include <shlwapi.h>

#include <cstring>
#include <vector>

#include "thumbnails/image_bitmap.h"
#include "thumbnails/renderers/ansi_text.h"
#include "thumbnails/renderers/pdfium_api.h"

namespace {

// One render at a time: every call shares the one copy "Zuv.pdf", and pdfium
// is not thread-safe. An abandoned worker may still be inside a render when
// its successor or the preview starts one.
SRWLOCK pdfLock = SRWLOCK_INIT;

// pdfium only ever opens this copy, so the document's own path may hold
// characters that a narrow path could not carry through the library.
void RemoveCopy(const char* copyPath, const char* folder, bool removeFolder) {
    DeleteFileA(copyPath);
    if (removeFolder) RemoveDirectoryA(folder);
}

HBITMAP RenderPdfPageAlone(const wchar_t* path, int* pageIndex) {
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    PathCombineA(folder, folder, "Zuv");
    CreateDirectoryA(folder, nullptr);

    // Only an exact form: a stand-in character would copy another file.
    std::string narrowPath = ThreadAnsiText(path);
    if (narrowPath.empty()) return nullptr;

    char copyPath[MAX_PATH] = "";
    PathCombineA(copyPath, folder, "Zuv.pdf");
    CopyFileA(narrowPath.c_str(), copyPath, FALSE);

    FPDF_InitLibrary();
    FPDF_DOCUMENT document = FPDF_LoadDocument(copyPath, nullptr);
    if (!document) {
        RemoveCopy(copyPath, folder, true);
        return nullptr;
    }
    int count = FPDF_GetPageCount(document);
    if (count <= 0) {
        FPDF_CloseDocument(document);
        RemoveCopy(copyPath, folder, true);
        return nullptr;
    }
    int index = *pageIndex;
    if (index < 0) index = 0;
    if (index >= count) index = count - 1;
    if (index != *pageIndex) *pageIndex = index;

    HBITMAP result = nullptr;
    FPDF_PAGE page = FPDF_LoadPage(document, index);
    if (page) {
        double pageWidth = FPDF_GetPageWidth(page);
        double pageHeight = FPDF_GetPageHeight(page);
        // Sizes out of any sane range would overflow the row arithmetic.
        if (pageWidth > 0 && pageHeight > 0 && pageWidth < 20000 && pageHeight < 20000) {
            int width = static_cast<int>(pageWidth + 1.0);
            int height = static_cast<int>(pageHeight);
            FPDF_BITMAP bitmap = height > 0 ? FPDFBitmap_CreateEx(width, height, FPDFBitmap_BGR, nullptr, 0) : nullptr;
            if (bitmap) {
                FPDFBitmap_FillRect(bitmap, 0, 0, width, height, 0xFFFFFF);
                FPDF_RenderPageBitmap(bitmap, page, 0, 0, width, height, 0, 0);
                const void* pixels = FPDFBitmap_GetBuffer(bitmap);

                BITMAPINFOHEADER header = DibHeader(width, -height, 24);
                header.biSizeImage = 3 * width * height;
                void* bits = nullptr;
                HBITMAP section = CreateDib(header, &bits);
                if (section && pixels) {
                    size_t stride = static_cast<size_t>((3 * width + 3) & ~3);
                    std::memcpy(bits, pixels, stride * height);
                    result = section;
                } else if (section) {
                    DeleteObject(section);
                }
                FPDFBitmap_Destroy(bitmap);
            }
        }
        FPDF_ClosePage(page);
    }
    FPDF_CloseDocument(document);
    RemoveCopy(copyPath, folder, false);
    return result;
}

}  // namespace

HBITMAP RenderPdfPage(const wchar_t* path, int* pageIndex) {
    AcquireSRWLockExclusive(&pdfLock);
    HBITMAP page = RenderPdfPageAlone(path, pageIndex);
    ReleaseSRWLockExclusive(&pdfLock);
    return page;
}
