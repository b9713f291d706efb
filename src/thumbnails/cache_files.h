// Thumbnails kept between visits as one-image icon files in the cache folder
// "Zuv_CACHE" of each browsed folder, one file per item and view mode, and a
// folder's own picture in its cache folder.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "shell/folder_listing.h"

constexpr wchar_t kCacheFolderName[] = L"Zuv_CACHE";

// F\Zuv_CACHE\N.Zuv.icon.ico (iconViewMode 1) or F\Zuv_CACHE\N.Zuv.list.ico.
// False (and an empty result) when the path does not fit in 260 characters.
bool MakeItemCacheFilePath(wchar_t* out, const wchar_t* folder, const wchar_t* name, int iconViewMode);

// F\Zuv_CACHE\Zuv_FOLDER.icon.ico (iconViewMode 1) or ...\Zuv_FOLDER.list.ico;
// false when it does not fit.
bool MakeFolderPicturePath(wchar_t* out, const wchar_t* folder, int iconViewMode);

// Appends the bitmap's rows at the file position, bottom row first, each
// padded with zero bytes to a multiple of 4.
void WriteBitmapRowsBottomUp(HANDLE file, HBITMAP bitmap);

// Writes the icon as a one-image icon file (colour bitmap and mask), replacing
// any file there. No icon writes no file. The icon stays the caller's.
void SaveIconFile(HICON icon, const wchar_t* path);

// Where the picture lies in a cache file exactly as SaveIconFile writes it
// from a thumbnail of `size` pixels square: one 32-bit image with its mask,
// rows bottom first. False for any other icon file (another size or depth,
// more images, a short or inconsistent file).
struct TCacheIconLayout {
    size_t colourOffset;  // size rows of size * 4 bytes
    size_t maskOffset;    // size rows of ((size + 31) / 32) * 4 bytes
};
bool ParseCacheIconFile(const unsigned char* data, size_t length, int size, TCacheIconLayout* layout);

// The colour bitmap and mask of such a cache file, both the caller's; false
// (and nothing made) for any other file, which the caller then loads as an
// icon.
bool LoadCacheIconBitmaps(const wchar_t* path, int size, HBITMAP* colour, HBITMAP* mask);

// Writes the current view's cache file of every item of the list view that is
// not a folder, creating the cache folder even when nothing is written.
void SaveFolderCache(HWND window, HWND list, HIMAGELIST imagesLarge, HIMAGELIST imagesSmall,
                     const wchar_t* folder);

// The same, asking `stillWanted` before each item; the save ends as soon as
// it answers false (the worker's save after the list has moved on).
void SaveFolderCacheWhile(HWND window, HWND list, HIMAGELIST imagesLarge, HIMAGELIST imagesSmall,
                          const wchar_t* folder, bool (*stillWanted)(void* context), void* context);

// Replaces the current folder's picture for the current view from the first
// selected file, or from the folder pictures of the selected folders.
void SetFolderPicture();

// Deletes both cache files of the item at `path` when they exist.
void DeleteCacheEntries(const wchar_t* path);
// The item at `path` is another file now (it replaced one of its name): its
// cache files go, and in the current folder the next worker does not reuse
// the picture of its name (the hidden list view forgets the name).
void ForgetItemPicture(const wchar_t* path);
