#include "thumbnails/renderers/docx_page.h"

#include <cstring>
#include <new>
#include <utility>

#include "thumbnails/image_bitmap.h"
#include "thumbnails/renderers/ansi_text.h"
#include "thumbnails/renderers/renderer_locks.h"

namespace {

// DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP | DT_NOPREFIX | DT_EDITCONTROL
const UINT kMeasureFormat = 0x2D50;
// The same without DT_CALCRECT.
const UINT kDrawFormat = 0x2950;
// Not sorting the central directory keeps lookups in directory order; the
// low bits carry the compression level, which reading ignores.
const mz_uint32 kOpenFlags = MZ_ZIP_FLAG_DO_NOT_SORT_CENTRAL_DIRECTORY | 6;

// The part's bytes through the archive's allocator, or null.
void* ExtractEntry(TDocxZip* zip, size_t* size) {
    mz_zip_archive* archive = &zip->archive;
    if (zip->index < 0 || mz_zip_reader_is_file_a_directory(archive, zip->index)) return nullptr;
    mz_zip_archive_file_stat stat;
    if (!mz_zip_reader_file_stat(archive, zip->index, &stat)) return nullptr;
    // The declared size is checked before anything is allocated; the
    // extraction then refuses data that inflates to any other size.
    if (stat.m_uncomp_size == 0 || stat.m_uncomp_size > kMaxDocxPartBytes) return nullptr;
    *size = static_cast<size_t>(stat.m_uncomp_size);
    void* data = archive->m_pAlloc(archive->m_pAlloc_opaque, 1, *size);
    if (!data) return nullptr;
    if (!mz_zip_reader_extract_to_mem_no_alloc(archive, zip->index, data, *size, 0, nullptr, 0)) {
        archive->m_pFree(archive->m_pAlloc_opaque, data);
        return nullptr;
    }
    return data;
}

pugi::xml_node BodyOf(const pugi::xml_document& document) {
    return document.child("w:document").child("w:body");
}

// The height of the text wrapped at width.
LONG MeasuredBottom(HDC dc, const std::wstring& text, int width, int height) {
    RECT area = {0, 0, width, height};
    DrawTextW(dc, text.c_str(), -1, &area, kMeasureFormat);
    return area.bottom;
}

}  // namespace

void ConstructDocxDocument(TDocxDocument* doc, std::string path) {
    doc->path = std::move(path);
    doc->paragraph = TDocxParagraph();
    doc->document.reset();
    doc->isOpen = false;
}

void OpenDocxDocument(TDocxDocument* doc) {
    if (doc->path.empty()) {
        doc->isOpen = false;
        return;
    }
    TDocxZip* zip = static_cast<TDocxZip*>(calloc(1, sizeof(TDocxZip)));
    if (!zip) {
        doc->isOpen = false;
        return;
    }
    zip->level = 6;
    zip->index = -1;
    if (!mz_zip_reader_init_file(&zip->archive, doc->path.c_str(), kOpenFlags)) {
        free(zip);
        doc->isOpen = false;
        return;
    }
    doc->isOpen = true;

    size_t size = 0;
    void* data = nullptr;
    if (OpenZipEntry(zip, "word/document.xml") == 0) data = ExtractEntry(zip, &size);
    mz_free_func freeData = zip->archive.m_pFree;
    void* allocator = zip->archive.m_pAlloc_opaque;
    CloseZipEntry(zip);
    mz_zip_reader_end(&zip->archive);
    free(zip);

    doc->document.reset();
    if (data) {
        // The parser copies the data; a parse error leaves what was read
        // before it, and nothing else is looked at.
        doc->document.load_buffer(data, size, pugi::parse_default, pugi::encoding_auto);
        freeData(allocator, data);
    }
    SetParagraphParent(&doc->paragraph, BodyOf(doc->document));
}

void SetParagraphParent(TDocxParagraph* paragraph, pugi::xml_node node) {
    paragraph->parent = node;
    paragraph->current = node.child("w:p");
    paragraph->run.parent = paragraph->current;
    paragraph->run.current = paragraph->current.child("w:r");
}

void DestroyDocxDocument(TDocxDocument* doc) {
    doc->paragraph = TDocxParagraph();
    doc->document.reset();
    doc->path.clear();
    doc->path.shrink_to_fit();
    doc->isOpen = false;
}

int OpenZipEntry(TDocxZip* zip, const char* name) {
    size_t length = strlen(name);
    zip->name = static_cast<char*>(calloc(length + 1, 1));
    if (!zip->name) {
        zip->index = -1;
        return -1;
    }
    for (size_t i = 0; i < length; ++i) zip->name[i] = name[i] == '\\' ? '/' : name[i];
    zip->index = mz_zip_reader_locate_file(&zip->archive, zip->name, nullptr, 0);
    mz_zip_archive_file_stat stat;
    if (zip->index >= 0 && mz_zip_reader_file_stat(&zip->archive, zip->index, &stat)) return 0;
    free(zip->name);
    zip->name = nullptr;
    return -1;
}

int CloseZipEntry(TDocxZip* zip) {
    free(zip->name);
    zip->name = nullptr;
    return 0;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = static_cast<int>(text.size());
    std::wstring buffer(static_cast<size_t>(n) + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), n, &buffer[0], n + 1);
    return std::wstring(buffer.c_str());
}

HBITMAP RenderDocx(HWND window, const wchar_t* path, int width, int height, const wchar_t* faceName) {
    if (!path) return nullptr;
    TDocxDocument doc;
    ConstructDocxDocument(&doc, ThreadAnsiText(path));
    OpenDocxDocument(&doc);
    if (!doc.isOpen) {
        DestroyDocxDocument(&doc);
        return nullptr;
    }

    // The face is asked for by name: a font file of that name that the font
    // renderer has added meanwhile would stand in for it.
    TLockHold hold(&privateFontLock);
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HFONT font = CreateFontW(-MulDiv(11, GetDeviceCaps(memoryDc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, faceName ? faceName : L"");
    HGDIOBJ oldFont = SelectObject(memoryDc, font);

    SetParagraphParent(&doc.paragraph, BodyOf(doc.document));
    std::string text;
    std::wstring wide;
    bool hasText = false;
    bool full = false;
    TDocxParagraph& paragraph = doc.paragraph;
    while (paragraph.current && !full) {
        paragraph.run.parent = paragraph.current;
        paragraph.run.current = paragraph.current.child("w:r");
        while (paragraph.run.current) {
            const char* runText = paragraph.run.current.child("w:t").text().get();
            if (*runText) {
                hasText = true;
                text += runText;
                // An empty run changes nothing that a measure would see, so
                // only runs with text are measured.
                wide = Utf8ToWide(text);
                if (MeasuredBottom(memoryDc, wide, width, height) > height) {
                    full = true;
                    break;
                }
            }
            paragraph.run.current = paragraph.run.current.next_sibling();
        }
        if (full) break;
        text += "\r\n";
        paragraph.current = paragraph.current.next_sibling();
    }

    HBITMAP bitmap = nullptr;
    if (hasText) {
        BITMAPINFOHEADER header = DibHeader(width, -height, 24);
        header.biSizeImage = static_cast<DWORD>(height) * ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
        void* bits = nullptr;
        bitmap = CreateDib(header, &bits);
        if (bitmap) {
            HGDIOBJ oldBitmap = SelectObject(memoryDc, bitmap);
            RECT area = {0, 0, width, height};
            FillRect(memoryDc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            SetTextColor(memoryDc, RGB(0, 0, 0));
            SetBkMode(memoryDc, TRANSPARENT);
            DrawTextW(memoryDc, wide.c_str(), -1, &area, kDrawFormat);
            SelectObject(memoryDc, oldBitmap);
        }
    }
    SelectObject(memoryDc, oldFont);
    DeleteObject(font);
    ReleaseDC(window, windowDc);
    DeleteDC(memoryDc);
    DestroyDocxDocument(&doc);
    return bitmap;
}
