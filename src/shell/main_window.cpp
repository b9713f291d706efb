#include "shell/main_window.h"

#include "resources/resource.h"
#include "shell/main_state.h"

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZUV_LARGE), IMAGE_ICON, 32, 32, LR_LOADTRANSPARENT));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZUV_SMALL), IMAGE_ICON, 16, 16, LR_LOADTRANSPARENT));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
    return CreateWindowExW(0, kMainWindowClass, L"Zuv", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
}

HACCEL CreateMainAccelerators() {
    ACCEL keys[] = {
        {FVIRTKEY, VK_ESCAPE, ID_KEY_ESCAPE},
        {FVIRTKEY, VK_RETURN, ID_KEY_RETURN},
        {FVIRTKEY, VK_RIGHT, ID_KEY_RIGHT},
        {FVIRTKEY, VK_LEFT, ID_KEY_LEFT},
    };
    return CreateAcceleratorTableW(keys, 4);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        mainWindow = hwnd;
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
