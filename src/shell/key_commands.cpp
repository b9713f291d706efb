#include <windows.h>
#include <shellapi.h>

#include "shell/main_handlers.h"
#include "shell/main_state.h"

LRESULT OnKeyDown(HWND window, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, WM_KEYDOWN, wParam, lParam);
}

LRESULT OnDropFiles(HWND, WPARAM wParam) {
    DragFinish(reinterpret_cast<HDROP>(wParam));
    return 0;
}
