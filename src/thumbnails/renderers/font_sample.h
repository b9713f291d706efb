// A sample text set in the font of a TrueType, OpenType, collection, WOFF or
// WOFF2 file: the font is added to the process from memory for one drawing
// and removed again.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Characters of a face-name buffer, its terminating zero included.
const int kFaceNameChars = 260;
// Characters of the text drawn, its terminating zero included.
const int kSampleTextChars = 1024;

// A white width x height bitmap (24-bit, bottom-up DIB section) with the
// sample in black from its top-left corner, owned by the caller; null for
// other extensions and for files that cannot be drawn. Quotes around the
// path are removed in place. sampleJp is drawn for fonts that GDI gives the
// Shift-JIS character set, sampleEn for the others. sampleOnly 1 draws the
// sample alone, lines broken at line feeds only; any other value draws the
// face name, a line feed and the sample, wrapped at the width. faceName (260
// characters) receives the face name once it is read; for ".ttc" files
// *faceIndex chooses the member and is clamped to the members there are.
HBITMAP RenderFontSample(wchar_t* path, int width, int height, int pointSize, const wchar_t* sampleJp,
                         const wchar_t* sampleEn, int sampleOnly, wchar_t* faceName, int* faceIndex);

// The full name of the sfnt whose offset table lies at offset, into faceName
// when a naming record qualifies; -1 when the data there is no TrueType or
// OpenType font, else 0.
int ReadFontName(wchar_t* faceName, const BYTE* data, size_t size, uint32_t offset);

// The preferred full name of the naming table at tableOffset: the first
// Windows Japanese one, else the last Macintosh Japanese one, else the last
// English or Japanese one. faceName is written only when a record qualifies.
void ReadNameTable(wchar_t* faceName, const BYTE* data, size_t size, uint32_t tableOffset);

// Blanks the characters of text (1024 characters, changed in place) that the
// face lacks and draws it into the memory context at pointSize.
void DrawFontSample(HDC dc, const wchar_t* placeholderFace, const wchar_t* faceName, wchar_t* text, int pointSize,
                    int width, int height, int sampleOnly);
