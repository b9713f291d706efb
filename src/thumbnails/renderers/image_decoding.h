// Images of any format that the Windows Imaging Component decodes, as 32-bit
// top-down DIB sections (blue, green, red, straight alpha) owned by the
// caller. Only frame 0 of a file is ever read. Each call makes and releases
// its own WIC objects; the calling thread must be able to create in-process
// COM objects.
#pragma once

#include <windows.h>

struct IWICBitmapSource;

HBITMAP LoadImageFile(const wchar_t* path);
// The bytes are only read during the call.
HBITMAP LoadImageFromMemory(const BYTE* data, DWORD size);
// Fits the image into a size x size square (enlarging small ones); nearest
// neighbour when speedMode is 1, high-quality cubic otherwise.
HBITMAP LoadImageFileScaled(const wchar_t* path, int size, int speedMode);
// The source must deliver 32bppBGRA; it is neither released nor kept.
HBITMAP CreateDibFromWicSource(IWICBitmapSource* source);
