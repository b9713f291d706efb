// Thumbnails kept between visits as one-image icon files in the cache folder
// "Zuv_CACHE" of each browsed folder, one file per item and view mode, and a
// folder's own picture in its cache folder.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

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

// True when the file is, byte for byte, what SaveIconFile writes for the
// picture it holds: the layout above, zero in every reserved, resolution and
// padding field, nothing after the mask.
bool CacheIconFileIsAsWritten(const unsigned char* data, size_t length, int size);

// A cache file as it was when its picture was read, for the file that the
// save would write again with the very same bytes.
struct TCacheFileStamp {
    std::wstring path;  // empty: the picture came from no such file
    ULONGLONG size;
    FILETIME lastWrite;
};
// By image index: the file each picture of a run was read from.
using TCacheFileStamps = std::vector<TCacheFileStamp>;

// Reads a whole cache file: kCacheFileRead with its bytes and layout when it
// is this program's own at `size` (and `stamp`, when given, as below);
// kCacheFileOther for a file of another kind, kCacheFileUnopened for none.
enum TCacheFileRead { kCacheFileRead, kCacheFileOther, kCacheFileUnopened };
TCacheFileRead ReadCacheIconFile(const wchar_t* path, int size, std::vector<unsigned char>* data,
                                 TCacheIconLayout* layout, TCacheFileStamp* stamp);

// The pictures of several such files, to go into an image list at once: one
// colour bitmap and one mask, `count` pictures wide.
struct TCacheStrip {
    int size = 0;
    int count = 0;
    std::vector<unsigned char> colour;  // each picture's colour rows as in its file
    std::vector<unsigned char> mask;    // each picture's mask rows as in its file
};
// Adds the picture of a file that ReadCacheIconFile read at the strip's size.
void AppendToCacheStrip(TCacheStrip* strip, const unsigned char* data, const TCacheIconLayout& layout);
void ClearCacheStrip(TCacheStrip* strip);
// The strip's bitmaps, both the caller's; false (and none) when they cannot be made.
bool MakeCacheStripBitmaps(const TCacheStrip& strip, HBITMAP* colour, HBITMAP* mask);

// The colour bitmap and mask of such a cache file, both the caller's; false
// (and nothing made) for any other file, which the caller then loads as an
// icon. `stamp`, when given, describes the file when it is as written (its
// path empty otherwise).
bool LoadCacheIconBitmaps(const wchar_t* path, int size, HBITMAP* colour, HBITMAP* mask,
                          TCacheFileStamp* stamp = nullptr);

// Writes the current view's cache file of every item of the list view that is
// not a folder, creating the cache folder even when nothing is written.
void SaveFolderCache(HWND window, HWND list, HIMAGELIST imagesLarge, HIMAGELIST imagesSmall,
                     const wchar_t* folder);

// The same, asking `stillWanted` before each item; the save ends as soon as
// it answers false (the worker's save after the list has moved on). A file
// that `unchanged` names for the picture it would write from, and that still
// has the size and last-write time noted there, is left alone: its bytes are
// those the save would write.
void SaveFolderCacheWhile(HWND window, HWND list, HIMAGELIST imagesLarge, HIMAGELIST imagesSmall,
                          const wchar_t* folder, bool (*stillWanted)(void* context), void* context,
                          const TCacheFileStamps* unchanged = nullptr);

// Replaces the current folder's picture for the current view from the first
// selected file, or from the folder pictures of the selected folders.
void SetFolderPicture();

// Deletes both cache files of the item at `path` when they exist.
void DeleteCacheEntries(const wchar_t* path);
// The item at `path` is another file now (it replaced one of its name): its
// cache files go, and in the current folder the next worker does not reuse
// the picture of its name (the hidden list view forgets the name).
void ForgetItemPicture(const wchar_t* path);
