// The real main window inside a test program: its settings file, opening it
// with chosen arguments, and closing it so that the next one starts afresh.
#pragma once

#include "support/list_view_items.h"
#include "support/window_driver.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

struct TestSetting {
    std::wstring section;
    std::wstring key;
    std::wstring value;
};

// The settings file of the running test program: its path with ".ini".
std::wstring TestSettingsPath();
// Replaces the settings file at `path` by one holding only these keys; with
// none there is no file afterwards.
void WriteSettingsFile(const std::wstring& path, const std::vector<TestSetting>& settings);
inline void WriteTestSettings(const std::vector<TestSetting>& settings) {
    WriteSettingsFile(TestSettingsPath(), settings);
}
// A value of a settings file, or `missing` when the key is absent.
std::wstring ReadSetting(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                         const wchar_t* missing = L"<missing>");
// The keys of one section in file order, read from the file's bytes.
std::vector<std::wstring> SettingKeysInOrder(const std::wstring& path, const wchar_t* section);

// Restores the process-wide values that the main window's creation does not
// set itself (history, generation counter, selection anchor, viewer record,
// handles, the current folder of the process...).
void ResetMainState();

// Whether the settings menu's item `id` carries its check mark.
bool SettingsMenuChecked(UINT id);
// Where a window of this rectangle has its top-left corner when centred
// over the main window, halves rounded toward zero.
POINT CentredOverMainWindow(const RECT& window);
// The picture size of an image list.
SIZE ImageListIconSize(HIMAGELIST list);

// A key press posted to `target` and handled by a loop like the program's
// own: the main window's accelerators first, then translation and dispatch.
// Returns once both key messages have been handled; no modifier is held.
void PressKeyThroughMessageLoop(HWND target, UINT key);

class MainWindowHarness {
public:
    MainWindowHarness() = default;
    ~MainWindowHarness();  // closes a window that is still open
    MainWindowHarness(const MainWindowHarness&) = delete;
    MainWindowHarness& operator=(const MainWindowHarness&) = delete;

    // Creates and shows the main window of this module. `arguments` is what
    // follows the program name on its command line, already quoted; empty
    // means no argument.
    HWND Open(const std::wstring& arguments = L"");
    // Open with one folder argument.
    HWND OpenInFolder(const std::wstring& folder) { return Open(L"\"" + folder + L"\""); }
    // Writes the settings file, opens the window on the folder and waits for
    // its first listing; false when no window was made.
    bool OpenListed(const std::wstring& folder, const std::vector<TestSetting>& settings = {});
    // Waits, pumping messages, until the current worker has ended.
    bool WaitForWorker(DWORD timeoutMs = 20000);
    // A key pressed in `target` with that control focused; the worker it
    // starts ends before this returns.
    void PressKey(HWND target, UINT key, bool shift = false, bool control = false);
    // The same through the message queue as the keyboard types it (TypeKey).
    void TypeKey(HWND target, UINT key, const HeldKeys& held = HeldKeys());
    // Sends WM_CLOSE as the close box does, takes the quit message off the
    // queue and resets the process-wide state.
    void Close();
    HWND window() const { return window_; }

private:
    HWND window_ = nullptr;
    wchar_t savedCurrentFolder_[MAX_PATH] = L"";
};
