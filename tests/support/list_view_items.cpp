#include "support/list_view_items.h"

#include <commctrl.h>

std::vector<std::wstring> ListViewNames(HWND list) {
    std::vector<std::wstring> names;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[MAX_PATH] = L"";
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

std::vector<int> ListViewItemsWithState(HWND list, UINT state) {
    std::vector<int> items;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if ((SendMessageW(list, LVM_GETITEMSTATE, i, state) & state) == state) items.push_back(i);
    }
    return items;
}

int ListViewIndexOf(HWND list, const std::wstring& name) {
    std::vector<std::wstring> names = ListViewNames(list);
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) return static_cast<int>(i);
    }
    return -1;
}

int ListViewFocusedItem(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

std::vector<int> ListViewSelectedItems(HWND list) {
    return ListViewItemsWithState(list, LVIS_SELECTED);
}

void ListViewFocusOnly(HWND list, int index) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (index >= 0) SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}
