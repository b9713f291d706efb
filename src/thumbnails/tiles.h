// Square tiles of the thumbnail size, their 1-bit masks, alpha handling and
// the shell's own pictures of an item. Pure GDI and shell calls: no file is
// written and nothing is shown.
//
// Ownership: ScaleToTile and ComposeIntoSquare take over the bitmap they are
// given and delete it; every other routine leaves its inputs to the caller.
// Every result belongs to the caller.
#pragma once

#include <windows.h>

// RGB(64, 64, 64) when darkMode is 1, otherwise the button-face colour;
// looked up at every call so a theme change reaches the next tile.
COLORREF ThemeBackground();

// Width and height of a bitmap (height positive for top-down ones); false
// for null or a handle that is no bitmap.
bool MeasureBitmap(HBITMAP bitmap, int* w, int* h);

// Fills (0, 0) to (w, h) of the context with the theme background.
void FillWithBackground(HDC dc, int w, int h);

// Where a w x h picture lies when fitted into a size x size square. The tile,
// its mask and the archive mask all use this one rectangle so they agree.
struct TFittedRect {
    double scale;  // min(size / w, size / h)
    int x0, y0;    // top-left corner
    int width;     // w * scale, rounded half away from zero
    int height;    // h * scale, rounded half away from zero
    int blendWidth;   // w * scale, truncated (the AlphaBlend size)
    int blendHeight;  // h * scale, truncated
};
TFittedRect FitIntoSquare(int w, int h, int size);

// Bytes of one mask row: the row's bits rounded up to whole 16-bit words.
int MaskRowBytes(int size);

// A size x size tile (compatible with the screen) on the theme background
// with the picture in its fitted rectangle: copied when alpha is 0, else
// blended as a premultiplied picture. No bitmap gives a plain tile.
HBITMAP ScaleToTile(HBITMAP bitmap, int size, int alpha);

// A size x size bitmap of the input's format: the premultiplied picture over
// the theme background, stretched to fit by its longer side. No bitmap gives
// a square of plain background.
HBITMAP ComposeIntoSquare(HWND window, HBITMAP bitmap, int size, int speedMode);

// A bitmap of the picture's own size: theme background, the picture, the badge
// at the bottom-right corner. Without a picture, a square of plain background
// of the standard icon size.
HBITMAP ComposeFolderTile(HICON picture, HICON badge);

// A monochrome size x size mask, transparent (1) except over the fitted
// rectangle of the bitmap.
HBITMAP MakeTileMask(HBITMAP bitmap, int size);

// As MakeTileMask, and also opaque over the badge's pixels of non-zero alpha
// where the badge is drawn in the bottom-right corner.
HBITMAP MakeArchiveTileMask(HBITMAP bitmap, int size, HBITMAP badge);

// The archive way of fitting: the picture's tile (the picture is taken over;
// blended as ScaleToTile does when alpha is not 0) with the badge blended
// into its bottom-right corner and every alpha byte cleared, so the image
// list goes by the mask, which *mask receives. `dc` is the model of the
// drawing contexts.
HBITMAP MakeArchiveTile(HDC dc, HBITMAP picture, int size, int alpha, HBITMAP badge, HBITMAP* mask);

// Colour channels multiplied by alpha / 255 in place. Null does nothing.
void PremultiplyAlpha(HBITMAP bitmap);

// Colour channels divided back by alpha (clamped to 255) where alpha is not 0,
// then every alpha byte cleared.
void UnpremultiplyAndClearAlpha(HBITMAP bitmap);

// Whether a picture of width x height blue, green, red, alpha quadruples (a
// negative size counts as its magnitude) shows nothing: at most one pixel,
// fewer bytes than its size needs, or every byte zero.
bool IsBlankPicture(const BYTE* bgra, size_t size, int width, int height);

// The shell's icon of the item at size x size, or null. Where the shell's
// image factory gives a blank picture (see IsBlankPicture; Wine does), the
// shell's icon of the largest system image list instead, at its own size.
HBITMAP GetShellItemIcon(const wchar_t* path, int size);

// The shell's image of the item (thumbnail or icon) at size x size as an icon,
// or null. A blank picture of the factory is replaced by the shell's icon of
// the largest system image list, fitted into a tile on the theme background.
HICON GetShellItemImageIcon(const wchar_t* path, int size);
