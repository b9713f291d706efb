#include "resources/resource.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"

LRESULT OnNotify(HWND window, WPARAM, LPARAM lParam) {
    NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header || header->idFrom != IDC_LIST_VIEW) return 0;
    return OnListViewNotify(window, header);
}

LRESULT OnListViewNotify(HWND, NMHDR*) {
    return 0;
}
