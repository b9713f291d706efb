// Pictures made and read back in memory for tests that check pixels exactly:
// 32-bit DIB sections and icons made from given pixels, the pixels of any
// bitmap, mask bits, the pictures of an image list, colour comparisons and
// the media fixtures of the build.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

// A pixel as GetDIBits gives it: 0xAARRGGBB.
using Pixel = uint32_t;
Pixel MakePixel(BYTE red, BYTE green, BYTE blue, BYTE alpha = 255);
// The colour part of a pixel as a COLORREF (alpha dropped).
COLORREF PixelColour(Pixel pixel);
BYTE PixelAlpha(Pixel pixel);

// A top-down 32-bit DIB section of w x h pixels, every pixel `pixel`.
HBITMAP MakeSolidBitmap(int w, int h, Pixel pixel);
// A top-down 32-bit DIB section from w x h pixels given top row first.
HBITMAP MakeBitmapFromPixels(int w, int h, const std::vector<Pixel>& pixels);

// A bitmap's pixels, top row first.
struct BitmapPixels {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    Pixel at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Read through GetDIBits as 32-bit rows, whatever the bitmap's own format;
// empty when the bitmap cannot be read.
BitmapPixels ReadBitmapPixels(HBITMAP bitmap);
// 0 outside the bitmap.
Pixel PixelAt(HBITMAP bitmap, int x, int y);
SIZE BitmapSize(HBITMAP bitmap);

// What the screen shows of a window's client area (covered parts included).
BitmapPixels ScreenPixelsOfClient(HWND window);

// Whether every channel of the colour lies within tolerance of the expected one.
bool NearColour(Pixel actual, Pixel expected, int tolerance);
std::string ColourText(Pixel colour);

// Whether pixel (x, y) of a monochrome bitmap is set (transparent in a mask).
bool MaskBitSet(HBITMAP mask, int x, int y);

// An opaque size x size icon of one colour.
HICON MakeSolidIcon(int size, COLORREF colour);
// A picture `size` wide and `pixels.size() / size` high, tiled as the worker
// tiles it (premultiplied first when `withAlpha`), as an image list icon with
// its mask.
HICON TileIconOfPixels(int size, const std::vector<Pixel>& pixels, bool withAlpha);

// The colour of pixel (x, y) of picture `index` of an image list, read from
// the icon the image list makes of it; CLR_INVALID when there is none.
COLORREF ImageListColour(HIMAGELIST images, int index, int x, int y);
// Every pixel of that picture's colour bitmap; empty when there is none.
BitmapPixels ImageListPixels(HIMAGELIST images, int index);
// Whether pixel (x, y) of that picture's mask is transparent.
bool ImageListMaskBit(HIMAGELIST images, int index, int x, int y);
// Appends an opaque tile of one colour to an image list.
void AddSolidPicture(HIMAGELIST images, COLORREF colour);

// A one-image icon file of one colour at `path`, as the cache files are
// written; missing folders are made.
void WriteSolidIconFile(const std::wstring& path, int size, COLORREF colour);

// The archive badge of the program's resources (icon 117): its colour bitmap
// and that bitmap's pixels, released with the record.
struct ArchiveBadge {
    HICON icon = nullptr;
    ICONINFO info = {};
    BitmapPixels pixels;

    ArchiveBadge();
    ~ArchiveBadge();
    ArchiveBadge(const ArchiveBadge&) = delete;
    ArchiveBadge& operator=(const ArchiveBadge&) = delete;
    HBITMAP bitmap() const { return info.hbmColor; }
};

// A file made by the build's media fixture generator.
std::wstring MediaFixture(const std::wstring& name);
// A file made by the build's animation and icon fixture generator.
std::wstring FrameFixture(const std::wstring& name);
