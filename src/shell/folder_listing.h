// Folder listings in the system's order: folders first, then names in
// natural number order.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// True when PathIsDirectoryW reports the path as a folder.
bool IsFolderPath(const wchar_t* path);

// One entry of a listing with what the sort compares, taken once per listing.
struct TListingName {
    std::wstring name;       // as the file system reports it
    std::wstring stem;       // full path without its extension
    std::wstring extension;  // from the last dot of the name, or empty
    bool folder = false;
    // Where the comparison of stems starts: the same in every entry of one
    // listing, past the runs of the folder path that every stem shares.
    size_t sortFrom = 0;
};

// `folder` joined with `name`, with the stem and extension of that path.
TListingName DescribeListingName(const wchar_t* folder, const wchar_t* name, bool isFolder);

// Strict less-than of the listing order: folders before files; then the
// natural order of the stems, and for equal stems of the extensions.
bool CompareListNames(const TListingName& a, const TListingName& b);

// Fills a list view with the entries of one folder; item i gets image index
// i. `hideCache` 1 leaves the cache folder out. Renames a cache folder left
// under its old name first.
void ListFolder(HWND list, const wchar_t* folder, int hideCache);

// The same in two steps, for two list views filled with one listing: the
// entries of the folder in listing order, then a list view filled with them.
struct TFolderListing {
    std::vector<TListingName> names;
    std::vector<TListingName*> order;
};
void ReadFolderListing(const wchar_t* folder, int hideCache, TFolderListing* listing);
void ShowFolderListing(HWND list, const TFolderListing& listing);

// The visible list view's item named `name` (case-insensitive), else the
// smaller of `fallback` and the item count.
int FindItemByName(const wchar_t* name, int fallback);

// The text of a list view's item into a buffer of 260 characters (empty when
// there is no such item).
void ListViewItemText(HWND list, int index, wchar_t* text);

// The text of the list view's item under the mouse into a buffer of 260
// characters; empty over no item.
void ListViewItemUnderMouse(HWND list, wchar_t* name);
