#include "shell/theme_colours.h"

#include <windows.h>
#include <commctrl.h>

#include "shell/main_state.h"

void ApplyThemeColours(int dark) {
    COLORREF back = dark == 1 ? RGB(64, 64, 64) : GetSysColor(COLOR_BTNFACE);
    COLORREF text = dark == 1 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    SendMessageW(listView, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessageW(listView, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessageW(listView, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
}
