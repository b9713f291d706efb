// Plays the external viewer: one top-level window that logs its command
// line, every WM_COPYDATA text with the window it came from and every
// WM_APP+1, and closes on WM_CLOSE unless ZUV_STANDIN_IGNORE_CLOSE is set (to
// test termination). ZUV_STANDIN_HANG_MS makes it take that long over its
// first WM_COPYDATA (to test a viewer that is busy for a while).
#include <windows.h>

#include <stdlib.h>

#include <string>

#include "standin_log.h"

namespace {

bool ignoreClose;
DWORD hangMs;

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA: {
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        std::wstring text;
        if (data && data->lpData) {
            text.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
        }
        // Show a terminating zero as \0 so the tests can check it was sent.
        std::wstring shown;
        for (wchar_t c : text) shown += c ? std::wstring(1, c) : std::wstring(L"\\0");
        wchar_t head[64];
        wsprintfW(head, L"copydata %lu %lu", static_cast<unsigned long>(data ? data->dwData : 0),
                  static_cast<unsigned long>(data ? data->cbData : 0));
        AppendLogLine(head, shown.c_str());
        wchar_t from[32];
        wsprintfW(from, L"%lu", static_cast<unsigned long>(wParam));
        AppendLogLine(L"copyfrom", from);
        if (hangMs) Sleep(hangMs);
        hangMs = 0;
        return TRUE;
    }
    case WM_APP + 1: {
        wchar_t params[64];
        wsprintfW(params, L"%lu %lu", static_cast<unsigned long>(wParam), static_cast<unsigned long>(lParam));
        AppendLogLine(L"app1", params);
        return 0;
    }
    case WM_CLOSE:
        AppendLogLine(L"close", ignoreClose ? L"ignored" : L"closing");
        if (ignoreClose) return 0;
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ignoreClose = GetEnvironmentVariableW(L"ZUV_STANDIN_IGNORE_CLOSE", nullptr, 0) > 0;
    wchar_t hang[16] = L"";
    if (GetEnvironmentVariableW(L"ZUV_STANDIN_HANG_MS", hang, 16) > 0) hangMs = static_cast<DWORD>(_wtoi(hang));
    AppendLogLine(L"start", GetCommandLineW());
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"ZuvStandInViewer";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"stand-in viewer", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150,
                                  nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
