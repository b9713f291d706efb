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
