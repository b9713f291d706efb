// Exit code 0 when a top-level window can be created and shown, else 1.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    HWND window = CreateWindowExW(0, L"STATIC", L"desktop check", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, nullptr, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    DestroyWindow(window);
    return 0;
}
