// The EXIF orientation of a JPEG file and the turn that makes its picture
// upright.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The value field of the orientation tag (0x0112) in IFD0 of an EXIF segment
// that stands first in the file or right after one JFIF segment; 0 when there
// is none or any position falls outside the bytes. The whole 4-byte field is
// read in the file's byte order, so a big-endian file's value stands in the
// upper half (6 reads as 0x60000).
uint32_t ReadExifOrientation(const BYTE* data, size_t size);

// Turns the decoded picture of the JPEG file at path by the file's
// orientation into a new bitmap compatible with the window's device context
// and deletes the input; returns the input itself when nothing is to be
// turned or anything fails. Null gives null.
HBITMAP ApplyExifOrientation(HWND window, std::wstring path, HBITMAP bitmap);
