// One entry of an archive as a preview page: the entry numbered by the page
// index, extracted into the temporary work folder, decoded by the thumbnail
// engine's renderers and deleted again. ZIP files are read with minizip, the
// other formats listed and extracted by the archiver of the "7z.exe" setting.
#pragma once

#include <windows.h>

#include <cstdint>

#include "thumbnails/worker_params.h"

// Whether a ZIP entry is shown as a page: no folder name (more than two
// characters ending in "/"), not larger than maxBytes, and no archive or
// ".swf" by the extension of its file name.
bool IsDisplayableZipEntry(const char* name, uint64_t size, int maxBytes);

// The page index clamped into 0 .. count - 1; -1 when count is 0.
int ClampPreviewPage(int page, int count);

// Deletes the bitmap in *slot, then fills the slot with the picture of the
// *page-th displayable entry of the ZIP file (an image, an MP3 cover or a
// font sample at iconSize); *page is clamped and written back. With a
// picture, previewAlpha becomes 1 when its colours are premultiplied, else 0.
void LoadZipPreviewPage(const wchar_t* path, const TWorkerParams* params, HBITMAP* slot, int* page);

// Fills the empty slot with the picture of the first entry, from the
// *page-th listed one on, that gives one (font samples at the preview's
// client size), and sets previewAlpha for it as LoadZipPreviewPage does;
// *page is clamped and written back. Messages are dispatched while the
// archiver runs; a call made from within that dispatching gives no picture.
void LoadArchivePreviewPage(const wchar_t* path, const TWorkerParams* params, HBITMAP* slot, HWND preview,
                            int* page);
