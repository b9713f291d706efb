// Loading one frame of an animated GIF, APNG or WebP file, or one entry of
// an icon file, as a 32-bit DIB section owned by the caller. The current
// file's bytes stay in animFileData between frames; the frame index and the
// frame's code, delay and alpha flag live in the preview state.
#pragma once

#include <windows.h>

#include "preview/frame_rect.h"

// Reads the file into animFileData unless it is there already; false, with
// animFileData left absent, when the file cannot be opened or read whole.
bool EnsureAnimationFile(const char* ansiPath);

// Placement and frame code (into animDisposal) of GIF image n.
void GetGifFrameInfo(const char* ansiPath, int n, TFrameRect* placement);

// The given GIF or APNG frame decoded from a rebuilt one-frame file, with
// premultiplied colours (previewAlpha becomes 1); null when it cannot be
// rebuilt or decoded.
HBITMAP BuildSingleFrameImage(const char* ansiPath, int index, TFrameRect* placement);

// Icon entry animFrameIndex (wrapped to 0 at the count), decoded with
// straight alpha; the file is read anew on every call.
HBITMAP LoadIcoEntry(const char* ansiPath);

// Frame animFrameIndex of the file, chosen by extension (".gif", ".png",
// ".webp", ".ico", ".icon", any case); null for a GIF of one image, a PNG
// without acTL, a frame outside the usable sizes and any other extension.
HBITMAP LoadFrameByType(const char* ansiPath, const char* ansiExtension, TFrameRect* placement);

// The file's short path in the thread's ANSI code page, into kPathChars
// bytes; false when it has no short path or it does not fit.
bool ShortAnsiPath(const wchar_t* path, char* ansiPath);

// LoadFrameByType through the file's short path in the thread's ANSI code
// page; null when the file does not exist or its short path does not fit.
HBITMAP LoadAnimationFrame(const wchar_t* path, TFrameRect* placement);
