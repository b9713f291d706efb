#include "support/main_window_harness.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "shell/main_state.h"
#include "shell/main_window.h"
#include "support/test_files.h"
#include "support/window_driver.h"
#include "thumbnails/worker_params.h"

std::wstring TestSettingsPath() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRenameExtensionW(path, L".ini");
    return path;
}

void WriteSettingsFile(const std::wstring& path, const std::vector<TestSetting>& settings) {
    // Drops the platform's cached copy before the file goes.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    DeleteFileW(path.c_str());
    for (const TestSetting& s : settings) {
        WritePrivateProfileStringW(s.section.c_str(), s.key.c_str(), s.value.c_str(), path.c_str());
    }
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
}

std::wstring ReadSetting(const std::wstring& path, const wchar_t* section, const wchar_t* key, const wchar_t* missing) {
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    wchar_t value[1024] = L"";
    GetPrivateProfileStringW(section, key, missing, value, 1024, path.c_str());
    return value;
}

std::vector<std::wstring> SettingKeysInOrder(const std::wstring& path, const wchar_t* section) {
    std::vector<unsigned char> bytes = ReadBytes(path);
    std::string text(bytes.begin(), bytes.end());
    std::vector<std::wstring> keys;
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') {
            inSection = _wcsicmp(FromUtf8(line.substr(1, line.find(']') - 1)).c_str(), section) == 0;
        } else if (inSection) {
            keys.push_back(FromUtf8(line.substr(0, line.find('='))));
        }
    }
    return keys;
}

void ResetMainState() {
    mainWindow = upButton = pathEdit = listView = shadowListView = nullptr;
    pathEditOldProc = listViewOldProc = nullptr;
    imageListLarge = imageListSmall = nullptr;
    mainMenu = settingsMenu = nullptr;
    currentDir[0] = tempDir[0] = inputText[0] = 0;
    if (workerThread) CloseHandle(workerThread);
    workerThread = nullptr;
    workerStop = 0;
    nextGeneration = 1;
    workerParams = TWorkerParams();
    history.clear();
    historyIndex = -1;
    selectionAnchor = -1;
    viewerProcess = PROCESS_INFORMATION();
    viewerWindow = nullptr;
    viewerWindowFound = 0;
    lastViewerPath[0] = 0;
    previewWindow = nullptr;
    previewPage = 0;
}

MainWindowHarness::~MainWindowHarness() {
    if (window_) Close();
}

HWND MainWindowHarness::Open(const std::wstring& arguments) {
    GetCurrentDirectoryW(MAX_PATH, savedCurrentFolder_);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW known = {};
    known.cbSize = sizeof(known);
    if (!GetClassInfoExW(instance, kMainWindowClass, &known)) RegisterMainWindowClass(instance);
    std::wstring commandLine = L"\"" + std::wstring(L"test.exe") + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    window_ = CreateMainWindow(instance, commandLine.c_str());
    if (window_) {
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
        SetForegroundWindow(window_);
        PumpMessagesFor(50);
    }
    return window_;
}

bool MainWindowHarness::WaitForWorker(DWORD timeoutMs) {
    return PumpUntil([] { return !workerThread || WaitForSingleObject(workerThread, 0) != WAIT_TIMEOUT; }, timeoutMs);
}

void MainWindowHarness::Close() {
    if (!window_) return;
    WaitForWorker();
    SendMessageW(window_, WM_CLOSE, 0, 0);
    PumpMessagesFor(20);
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    window_ = nullptr;
    ResetMainState();
    SetCurrentDirectoryW(savedCurrentFolder_);
}

bool SettingsMenuChecked(UINT id) {
    return (GetMenuState(settingsMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

POINT CentredOverMainWindow(const RECT& window) {
    RECT main;
    GetWindowRect(mainWindow, &main);
    return {main.left + ((main.right - main.left) - (window.right - window.left)) / 2,
            main.top + ((main.bottom - main.top) - (window.bottom - window.top)) / 2};
}

SIZE ImageListIconSize(HIMAGELIST list) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    return {cx, cy};
}

bool MainWindowHarness::OpenListed(const std::wstring& folder, const std::vector<TestSetting>& settings) {
    WriteTestSettings(settings);
    if (!OpenInFolder(folder)) return false;
    WaitForWorker();
    return true;
}

void PressKeyThroughMessageLoop(HWND target, UINT key) {
    SetModifierState(VK_SHIFT, false);
    SetModifierState(VK_CONTROL, false);
    HACCEL accelerators = CreateMainAccelerators();
    // Posted messages come in the order they were posted, so the thread's
    // own message after the key's two marks the end of their handling.
    const UINT handled = WM_APP + 0x2317;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    PostThreadMessageW(GetCurrentThreadId(), handled, 0, 0);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 15000) {
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            continue;
        }
        if (!msg.hwnd && msg.message == handled) break;
        if (!TranslateAcceleratorW(mainWindow, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DestroyAcceleratorTable(accelerators);
}

void MainWindowHarness::PressKey(HWND target, UINT key, bool shift, bool control) {
    SetFocus(target);
    SendKeyPress(target, key, shift, control);
    WaitForWorker();
}

void MainWindowHarness::TypeKey(HWND target, UINT key, const HeldKeys& held) {
    SetFocus(target);
    ::TypeKey(target, key, held);
    WaitForWorker();
}
