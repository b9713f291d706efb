#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "fileops/drag_drop.h"
#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/folder_listing.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"
#include "shell/navigation.h"
#include "shell/restart_protocol.h"

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
        OnListViewReturn();
        return 0;
    case LVN_ITEMCHANGED:
        OnListViewItemChanged();
        return 0;
    case LVN_BEGINDRAG:
        return OnListViewBeginDrag(window, header);
    }
    return 0;
}

LRESULT OnListViewDoubleClick(HWND, NMHDR* header) {
    wchar_t name[kPathChars];
    ListViewItemUnderMouse(header->hwndFrom, name);
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
    int focused = FocusedListItem(nullptr);
    int position = ListScrollPosition();
    StartDragOfSelection();
    // The worker goes on; the list shows what the drag target made of the
    // folder, where the user left it.
    ListFolder(listView, currentDir, hideCache);
    RestoreListScrollPosition(position);
    SelectListItem(focused);
    return 0;
}
