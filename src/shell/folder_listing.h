#pragma once

#include <windows.h>

// Fills a list view with the entries of one folder: folders first, then names
// in natural number order; item i gets image index i. `hideCache` 1 leaves the
// cache folder out.
void ListFolder(HWND list, const wchar_t* folder, int hideCache);

// The visible list view's item named `name` (case-insensitive), else the
// smaller of `fallback` and the item count.
int FindItemByName(const wchar_t* name, int fallback);
