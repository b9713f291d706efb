// Guessing the encoding of a text file from its first bytes: byte-order
// marks first, then whether the bytes read better as UTF-8 or as Shift-JIS.
// Pure: no windows.h, nothing outside the given bytes is read.
#pragma once

#include <cstdint>

enum TTextEncoding {
    kTextUtf16Le = 1,
    kTextUtf16Be = 2,
    kTextUtf8 = 3,
    kTextAnsi = 4,  // the thread's ANSI code page
};

// One of the four codes for `count` bytes at `bytes` (null only when count is
// 0). A UTF-8 character cut by the end of the bytes counts in neither score.
int DetectTextEncoding(const unsigned char* bytes, uint32_t count);

// How well the bytes read as UTF-8 and as Shift-JIS; -1 when a sequence
// cannot belong to that encoding.
int64_t Utf8Score(const unsigned char* bytes, uint32_t count);
int64_t ShiftJisScore(const unsigned char* bytes, uint32_t count);
