// Pixels of GDI bitmaps, and small bitmaps made from given pixels, for
// tests that check pictures exactly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A bitmap's pixels, top row first, as 0xAARRGGBB values.
struct BitmapPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Read through GetDIBits as 32-bit rows, whatever the bitmap's own format.
BitmapPixels ReadBitmapPixels(HBITMAP bitmap);

// A top-down 32-bit DIB section holding width x height 0xAARRGGBB values.
HBITMAP MakeBitmap(int width, int height, const std::vector<uint32_t>& pixels);

// Whether every channel of the 0xAARRGGBB colour lies within tolerance of
// the expected one.
bool NearColour(uint32_t actual, uint32_t expected, int tolerance);
std::string ColourText(uint32_t colour);

// A file made by the build's media fixture generator.
std::wstring MediaFixture(const std::wstring& name);
