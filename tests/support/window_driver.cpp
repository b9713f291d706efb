#include "support/window_driver.h"

void PumpMessagesFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        PumpMessagesFor(5);
    }
}

void SetModifierState(UINT key, bool down) {
    BYTE state[256];
    GetKeyboardState(state);
    state[key] = down ? 0x80 : 0;
    if (key == VK_SHIFT) state[VK_LSHIFT] = state[key];
    if (key == VK_CONTROL) state[VK_LCONTROL] = state[key];
    SetKeyboardState(state);
}

void SendKeyPress(HWND window, UINT key, bool shift, bool control) {
    SetModifierState(VK_SHIFT, shift);
    SetModifierState(VK_CONTROL, control);
    SendMessageW(window, WM_KEYDOWN, key, 1);
    SendMessageW(window, WM_KEYUP, key, 0xC0000001);
    SetModifierState(VK_SHIFT, false);
    SetModifierState(VK_CONTROL, false);
}

void SendAltKeyPress(HWND window, UINT key) {
    SetModifierState(VK_MENU, true);
    SendMessageW(window, WM_SYSKEYDOWN, key, 0x20000001);
    SendMessageW(window, WM_SYSKEYUP, key, 0xE0000001);
    SetModifierState(VK_MENU, false);
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return L"";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
    return text;
}

std::wstring WindowClassName(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}
