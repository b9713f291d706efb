#include "thumbnails/image_bitmap.h"

BITMAPINFOHEADER DibHeader(LONG width, LONG height, WORD bitCount) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = BI_RGB;
    return header;
}

HBITMAP CreateDib(const BITMAPINFOHEADER& header, void** bits) {
    *bits = nullptr;
    BITMAPINFO info = {};
    info.bmiHeader = header;
    // With DIB_RGB_COLORS no device context is consulted.
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (section && !*bits) {
        DeleteObject(section);
        return nullptr;
    }
    if (!section) *bits = nullptr;
    return section;
}
