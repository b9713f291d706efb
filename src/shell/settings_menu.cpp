#include "shell/settings_menu.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "shell/folder_listing.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"
#include "shell/main_window.h"
#include "shell/restart_protocol.h"
#include "shell/theme_colours.h"
#include "shell/values_dialog.h"
#include "thumbnails/thumbnail_worker.h"
#include "thumbnails/worker_params.h"

namespace {

int Toggled(int value) {
    return value == 1 ? 0 : 1;
}

void OnValuesCommand(HWND window) {
    valuesIconSize = iconSize;
    valuesIconSizeSmall = iconSizeSmall;
    valuesThumbnailWait = thumbnailWait;
    RunValuesDialog(window);
    if (valuesThumbnailWait == -100) return;

    iconSize = valuesIconSize;
    iconSizeSmall = valuesIconSizeSmall;
    thumbnailWait = valuesThumbnailWait;
    workerParams.iconSize = iconSize;
    workerParams.iconSizeSmall = iconSizeSmall;
    workerParams.thumbnailWait = thumbnailWait;
    StopWorkerForChange();

    RetireImageList(imageListLarge);
    RetireImageList(imageListSmall);
    CreateThumbnailLists();
    workerParams.imageListLarge = imageListLarge;
    workerParams.imageListSmall = imageListSmall;
    // The new size brings a new spacing, but the items keep their places
    // until they are arranged; a reload would place them at once.
    SendMessageW(listView, LVM_ARRANGE, LVA_DEFAULT, 0);
    RedrawWholeListView();
    RestartThumbnailWorker(1);
}

void OnHideCacheCommand() {
    hideCache = Toggled(hideCache);
    SetSettingsCheck(ID_SETTINGS_HIDE_CACHE, hideCache);
    StopWorkerForChange();
    ListFolder(listView, currentDir, hideCache);
    SelectListItem(0);
    workerParams.hideCache = hideCache;
    // The pictures of the names that stay are reused.
    RestartThumbnailWorker(0);
}

void OnDarkCommand(HWND window) {
    darkMode = Toggled(darkMode);
    ApplyThemeColours(darkMode);
    SetSettingsCheck(ID_SETTINGS_DARK, darkMode);
    StopWorkerForChange();
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    RedrawWholeListView();
    // Every tile is drawn on the theme's background.
    RestartThumbnailWorker(1);
}

}  // namespace

void SetSettingsCheck(UINT id, int value) {
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STATE;
    item.fState = value == 1 ? MFS_CHECKED : 0;
    SetMenuItemInfoW(settingsMenu, id, FALSE, &item);
}

LRESULT OnContextMenu(HWND window, WPARAM, LPARAM lParam) {
    POINT clientTop = {0, 0};
    ClientToScreen(window, &clientTop);
    // Read unsigned: the keyboard's -1, -1 and points above a monitor at
    // negative coordinates never count as the caption.
    int x = LOWORD(lParam);
    int y = HIWORD(lParam);
    if (y < clientTop.y) TrackPopupMenu(settingsMenu, 0, x, y, 0, window, nullptr);
    return 0;
}

LRESULT OnSettingsCommand(HWND window, int id) {
    switch (id) {
    case ID_SETTINGS_VALUES:
        OnValuesCommand(window);
        break;
    case ID_SETTINGS_HIDE_CACHE:
        OnHideCacheCommand();
        break;
    case ID_SETTINGS_CACHE_AUTOSAVE:
        // No restart: a running worker reads the field when it finishes.
        cacheAutoSave = Toggled(cacheAutoSave);
        SetSettingsCheck(ID_SETTINGS_CACHE_AUTOSAVE, cacheAutoSave);
        workerParams.cacheAutoSave = cacheAutoSave;
        break;
    case ID_SETTINGS_SPEED:
        // No restart: a running worker uses the mode from its next item on.
        speedMode = Toggled(speedMode);
        SetSettingsCheck(ID_SETTINGS_SPEED, speedMode);
        workerParams.speedMode = speedMode;
        break;
    case ID_SETTINGS_DARK:
        OnDarkCommand(window);
        break;
    }
    return 0;
}
