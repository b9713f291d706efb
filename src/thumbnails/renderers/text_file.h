// The first lines of a file drawn as black text on a white bitmap, with
// DirectWrite through a Direct2D render target bound to the bitmap.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

// How many bytes the encoding is chosen from: files up to this size are
// judged on all their bytes, larger ones on their first bytes only.
const uint32_t kTextSampleBytes = 1024 * 1024;

// At most 101 lines of at most 1023 characters are drawn.
const int kTextLines = 101;
const int kTextLineChars = 1024;

// A bottom-up 24-bit DIB section of width x height owned by the caller, or
// none when the file cannot be opened.
HBITMAP RenderTextFile(const wchar_t* path, int width, int height, const wchar_t* fontName);

struct IDWriteFactory;

// The face to draw text in: `fontName` when the system's font collection
// holds it; otherwise (the empty default included) the first of a few faces
// for Japanese text that it holds, else its first face. Wine's DirectWrite
// draws nothing for a face it does not hold.
std::wstring ChooseTextFace(IDWriteFactory* dwrite, const wchar_t* fontName);

// Reads the lines from `stream`, opened in the mode of `encoding`, and draws
// them into the bitmap selected into `dc`. Leaves the bitmap as it is when
// Direct2D or DirectWrite refuse.
void DrawTextWithDirectWrite(HDC dc, FILE* stream, int encoding, int width, int height, const wchar_t* fontName);
