#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "fileops/drag_drop.h"
#include "preview/preview_pipeline.h"
#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/folder_listing.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"
#include "shell/navigation.h"
#include "shell/restart_protocol.h"

namespace {

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
