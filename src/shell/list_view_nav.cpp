#include "shell/list_view_nav.h"

#include "shell/main_state.h"

LRESULT CALLBACK ListViewNavProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(listViewOldProc, window, message, wParam, lParam);
}

LRESULT CALLBACK PathEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) SendMessageW(mainWindow, WM_KEYDOWN, wParam, lParam);
    return CallWindowProcW(pathEditOldProc, window, message, wParam, lParam);
}
