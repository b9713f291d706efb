#include <windows.h>
#include <mfapi.h>

#include "shell/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Lives until the process ends.
    HACCEL accelerators = CreateMainAccelerators();
    if (!RegisterMainWindowClass(instance)) return 0;
    HWND window = CreateMainWindow(instance);
    if (!window) return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MFStartup(MF_VERSION, MFSTARTUP_FULL);

    MSG msg = {};
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
        if (!TranslateAcceleratorW(window, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    MFShutdown();
    return static_cast<int>(msg.wParam);
}
