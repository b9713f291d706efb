// Headers and sections of uncompressed device-independent bitmaps, shared by
// the renderers and the tile code so every DIB is described one way.
#pragma once

#include <windows.h>

// biSize 40, one plane, BI_RGB, the given size and depth; a negative height
// means rows run from the top. biSizeImage is left 0.
BITMAPINFOHEADER DibHeader(LONG width, LONG height, WORD bitCount);

// A DIB section with that header, owned by the caller; null, with nothing
// left behind, when the section or its bits cannot be made.
HBITMAP CreateDib(const BITMAPINFOHEADER& header, void** bits);
