#include "shell/settings_menu.h"

#include "shell/main_handlers.h"
#include "shell/main_state.h"

void SetSettingsCheck(UINT id, int value) {
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STATE;
    item.fState = value == 1 ? MFS_CHECKED : 0;
    SetMenuItemInfoW(settingsMenu, id, FALSE, &item);
}

LRESULT OnContextMenu(HWND, WPARAM, LPARAM) {
    return 0;
}

LRESULT OnSettingsCommand(HWND, int) {
    return 0;
}
