#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "preview/preview_pipeline.h"
#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/folder_listing.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"
#include "shell/navigation.h"
#include "shell/restart_protocol.h"

namespace {

// The text of the item under the mouse in `list`; empty over no item.
void ItemUnderMouse(HWND list, wchar_t* name) {
    name[0] = 0;
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(list, &hit.pt);
    int index = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index < 0 || !(hit.flags & (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON))) return;
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = name;
    item.cchTextMax = kPathChars;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

// Enter that the preview takes over: on a file, without Shift.
bool PreviewTakesReturn() {
    std::wstring name;
    wchar_t path[kPathChars];
    if (FocusedListItem(&name) < 0 || !PathCombineW(path, currentDir, name.c_str())) return false;
    return !IsFolderPath(path) && (GetKeyState(VK_SHIFT) & 0x8000) == 0;
}

}  // namespace

LRESULT OnNotify(HWND window, WPARAM, LPARAM lParam) {
    NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header || header->idFrom != IDC_LIST_VIEW) return 0;
    return OnListViewNotify(window, header);
}

LRESULT OnListViewNotify(HWND window, NMHDR* header) {
    switch (header->code) {
    case NM_DBLCLK:
        return OnListViewDoubleClick(window, header);
    case NM_RETURN:
        if (previewWindow && PreviewTakesReturn()) {
            PreviewEnterKey();
        } else {
            OnListViewReturn();
        }
        return 0;
    case LVN_ITEMCHANGED:
        if (previewWindow) {
            UpdatePreview();
        } else {
            OnListViewItemChanged();
        }
        return 0;
    case LVN_BEGINDRAG:
        return OnListViewBeginDrag(window, header);
    }
    return 0;
}

LRESULT OnListViewDoubleClick(HWND, NMHDR* header) {
    wchar_t name[kPathChars];
    ItemUnderMouse(header->hwndFrom, name);
    wchar_t path[kPathChars];
    if (!PathCombineW(path, currentDir, name) || !path[0]) return 0;
    // Over no item the path is the current folder, which is entered again.
    if (IsFolderPath(path)) {
        EnterFolderItem(name);
    } else {
        OpenWithAssociatedProgram(path);
    }
    return 0;
}

LRESULT OnListViewBeginDrag(HWND, NMHDR*) {
    return 0;
}
