#include "support/window_driver.h"

#include <cstring>

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

void TypeKey(HWND window, UINT key, const HeldKeys& held) {
    BYTE saved[256];
    GetKeyboardState(saved);
    BYTE state[256];
    memcpy(state, saved, sizeof(state));
    state[VK_SHIFT] = state[VK_LSHIFT] = held.shift ? 0x80 : 0;
    state[VK_CONTROL] = state[VK_LCONTROL] = held.control ? 0x80 : 0;
    state[VK_CAPITAL] = held.capsLock ? 0x01 : 0;
    state[key] = 0x80;
    SetKeyboardState(state);
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(window, WM_KEYDOWN, key, scan | 1);
    PostMessageW(window, WM_KEYUP, key, scan | static_cast<LPARAM>(0xC0000001));
    PumpUntil([] {
        MSG pending;
        return !PeekMessageW(&pending, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE);
    }, 30000);
    saved[VK_SHIFT] = saved[VK_LSHIFT] = saved[VK_CONTROL] = saved[VK_LCONTROL] = saved[VK_CAPITAL] = saved[key] = 0;
    SetKeyboardState(saved);
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
