// The part of pdfium's public C API that the PDF renderer calls. Declared
// here from the library's documented interface; Zuv links pdfium.dll through
// an import library made from pdfium.def.
#pragma once

extern "C" {

typedef struct fpdf_document_t__* FPDF_DOCUMENT;
typedef struct fpdf_page_t__* FPDF_PAGE;
typedef struct fpdf_bitmap_t__* FPDF_BITMAP;
typedef const char* FPDF_STRING;
typedef const char* FPDF_BYTESTRING;
typedef unsigned long FPDF_DWORD;
typedef int FPDF_BOOL;

// Pixel format of FPDFBitmap_CreateEx: three bytes per pixel, blue first.
enum { FPDFBitmap_BGR = 2 };

__declspec(dllimport) void FPDF_InitLibrary(void);
__declspec(dllimport) FPDF_DOCUMENT FPDF_LoadDocument(FPDF_STRING filePath, FPDF_BYTESTRING password);
__declspec(dllimport) int FPDF_GetPageCount(FPDF_DOCUMENT document);
__declspec(dllimport) void FPDF_CloseDocument(FPDF_DOCUMENT document);
__declspec(dllimport) FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex);
__declspec(dllimport) double FPDF_GetPageWidth(FPDF_PAGE page);
__declspec(dllimport) double FPDF_GetPageHeight(FPDF_PAGE page);
__declspec(dllimport) FPDF_BITMAP FPDFBitmap_CreateEx(int width, int height, int format, void* firstScan, int stride);
__declspec(dllimport) FPDF_BOOL FPDFBitmap_FillRect(FPDF_BITMAP bitmap, int left, int top, int width, int height, FPDF_DWORD color);
__declspec(dllimport) void FPDF_RenderPageBitmap(FPDF_BITMAP bitmap, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY, int rotate, int flags);
__declspec(dllimport) void* FPDFBitmap_GetBuffer(FPDF_BITMAP bitmap);
__declspec(dllimport) void FPDFBitmap_Destroy(FPDF_BITMAP bitmap);
__declspec(dllimport) void FPDF_ClosePage(FPDF_PAGE page);

}
