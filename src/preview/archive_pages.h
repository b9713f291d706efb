// One entry of an archive as a preview page: the entry numbered by the page
// index, extracted into the temporary work folder, decoded by the thumbnail
// engine's renderers and deleted again. ZIP files are read with minizip, the
// other formats listed and extracted by the archiver of the "7z.exe" setting.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "thumbnails/worker_params.h"

// Whether a ZIP entry is shown as a page: no folder name (more than two
// characters ending in "/"), not larger than maxBytes, and no archive or
// ".swf" by the extension of its file name.
bool IsDisplayableZipEntry(const char* name, uint64_t size, int maxBytes);

// The page index clamped into 0 .. count - 1; -1 when count is 0.
int ClampPreviewPage(int page, int count);

// The file name a ZIP entry is extracted under: the part after its last "/"
// or "\"; empty when that is no plain file name ("", ".", "..", a drive).
std::string ZipEntryFileName(const char* name);

// One entry of the archiver's "-slt" listing.
struct TListedEntry {
    std::wstring name;
    long long size = 0;
    bool hasSize = false;  // a "Size = " line followed the "Path = " line
};

// The entries of the listing's lines, in order: every line that begins with
// "Path = " (any case) starts one, and the first "Size = " line after it,
// before the next entry, gives its size. Line ends are not part of names.
std::vector<TListedEntry> ParseArchiveListing(const std::vector<std::wstring>& lines);

// Whether a listed name can be extracted under the temporary folder and
// found and deleted there again: relative, without "." or ".." steps and
// without a drive.
bool IsPlainListedName(const std::wstring& name);

// Deletes the bitmap in *slot, then fills the slot with the picture of the
// *page-th displayable entry of the ZIP file (an image, an MP3 cover or a
// font sample at iconSize); *page is clamped and written back.
void LoadZipPreviewPage(const wchar_t* path, const TWorkerParams* params, HBITMAP* slot, int* page);

// Fills the empty slot with the picture of the first entry, from the
// *page-th listed one on, that gives one (font samples at the preview's
// client size); *page is clamped and written back. Messages are dispatched
// while the archiver runs; a call made from within that dispatching gives no
// picture.
void LoadArchivePreviewPage(const wchar_t* path, const TWorkerParams* params, HBITMAP* slot, HWND preview,
                            int* page);
