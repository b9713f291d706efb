// Pictures made and read back in memory: solid 32-bit DIB sections and icons,
// pixels of any bitmap, mask bits, and the pictures of an image list.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// A pixel as GetDIBits gives it: 0xAARRGGBB.
using Pixel = DWORD;
Pixel MakePixel(BYTE red, BYTE green, BYTE blue, BYTE alpha = 255);
// The colour part of a pixel as a COLORREF (alpha dropped).
COLORREF PixelColour(Pixel pixel);
BYTE PixelAlpha(Pixel pixel);

// A top-down 32-bit DIB section of w x h pixels, every pixel `pixel`.
HBITMAP MakeSolidBitmap(int w, int h, Pixel pixel);
// A top-down 32-bit DIB section from w x h pixels given top row first.
HBITMAP MakeBitmapFromPixels(int w, int h, const std::vector<Pixel>& pixels);

// Every pixel of a bitmap as 32-bit pixels, top row first.
std::vector<Pixel> ReadPixels(HBITMAP bitmap, int* width = nullptr, int* height = nullptr);
Pixel PixelAt(HBITMAP bitmap, int x, int y);
SIZE BitmapSize(HBITMAP bitmap);

// Whether pixel (x, y) of a monochrome bitmap is set (transparent in a mask).
bool MaskBitSet(HBITMAP mask, int x, int y);

// An opaque size x size icon of one colour.
HICON MakeSolidIcon(int size, COLORREF colour);

// The colour of pixel (x, y) of picture `index` of an image list, read from
// the icon the image list makes of it; CLR_INVALID when there is none.
COLORREF ImageListColour(HIMAGELIST images, int index, int x, int y);
// Whether pixel (x, y) of that picture's mask is transparent.
bool ImageListMaskBit(HIMAGELIST images, int index, int x, int y);
// Appends an opaque tile of one colour to an image list.
void AddSolidPicture(HIMAGELIST images, COLORREF colour);

// A one-image icon file of one colour at `path`, as the cache files are
// written; missing folders are made.
void WriteSolidIconFile(const std::wstring& path, int size, COLORREF colour);
