// Reading list views in tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The texts of a list view's items, in item order.
std::vector<std::wstring> ListViewNames(HWND list);
// Indices of the items that have all of `state` (LVIS_SELECTED, LVIS_FOCUSED).
std::vector<int> ListViewItemsWithState(HWND list, UINT state);
// Index of the first item with that text; -1 when there is none.
int ListViewIndexOf(HWND list, const std::wstring& name);
// The focused item; -1 when there is none.
int ListViewFocusedItem(HWND list);
// The selected items, in item order.
std::vector<int> ListViewSelectedItems(HWND list);
// Only item `index` selected and focused; -1 leaves no item either.
void ListViewFocusOnly(HWND list, int index);
