#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"

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

LRESULT OnListViewDoubleClick(HWND, NMHDR*) {
    return 0;
}

LRESULT OnListViewBeginDrag(HWND, NMHDR*) {
    return 0;
}
