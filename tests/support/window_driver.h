// Drives windows of this process the way the message loop would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Dispatches this thread's messages for the given time.
void PumpMessagesFor(DWORD milliseconds);
// Dispatches messages until the condition holds or the time runs out;
// returns the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// A key press as the list view or the main window would get it, with the
// given modifiers held for GetKeyState while it is handled.
void SendKeyPress(HWND window, UINT key, bool shift = false, bool control = false);
// The keys held while a typed key is pressed.
struct HeldKeys {
    bool shift = false;
    bool control = false;
    bool capsLock = false;  // toggled on
};
// A key press as the keyboard makes it: WM_KEYDOWN and WM_KEYUP posted to
// `window` with the key's scan code, the held keys in this thread's key
// state, so that TranslateMessage in the loop that takes them makes the
// key's character. Returns once both (and everything the key's command does)
// have been dispatched; the key state is then restored.
void TypeKey(HWND window, UINT key, const HeldKeys& held = HeldKeys());
// Sets or clears the state GetKeyState reports for a modifier on this thread.
void SetModifierState(UINT key, bool down);
// An Alt+key press as a window gets it: WM_SYSKEYDOWN and WM_SYSKEYUP with
// Alt held for GetKeyState.
void SendAltKeyPress(HWND window, UINT key);

// A window's text and its class name.
std::wstring WindowText(HWND window);
std::wstring WindowClassName(HWND window);
