#include "support/bitmap_pixels.h"

#include <cstdio>
#include <cstdlib>

#include "support/test_files.h"

BitmapPixels ReadBitmapPixels(HBITMAP bitmap) {
    BitmapPixels result;
    BITMAP info = {};
    if (!bitmap || GetObjectW(bitmap, sizeof(info), &info) == 0) return result;
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight) return result;
    result.width = info.bmWidth;
    result.height = info.bmHeight;
    result.pixels.swap(pixels);
    return result;
}

HBITMAP MakeBitmap(int width, int height, const std::vector<uint32_t>& pixels) {
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits && pixels.size() >= static_cast<size_t>(width) * height) {
        memcpy(bits, pixels.data(), static_cast<size_t>(width) * height * 4);
    }
    return bitmap;
}

bool NearColour(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        int a = (actual >> shift) & 0xFF;
        int e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > tolerance) return false;
    }
    return true;
}

std::string ColourText(uint32_t colour) {
    char text[16];
    snprintf(text, sizeof(text), "%08X", static_cast<unsigned>(colour));
    return text;
}

std::wstring MediaFixture(const std::wstring& name) {
    return JoinPath(BuildFolder(), L"tests\\fixtures\\media\\" + name);
}
