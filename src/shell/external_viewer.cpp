#include "shell/external_viewer.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "shell/folder_listing.h"
#include "shell/main_state.h"
#include "shell/navigation.h"
#include "shell/restart_protocol.h"
#include "shell/settings_file.h"

namespace {

const wchar_t kStartFailed[] = L"iniでの実行ファイル指定方法が間違っています。";

// A top-level window of the viewer's own: the system's input-method helper
// windows in its process are top-level too, hidden, and often come first.
bool IsViewerWindow(HWND window, const PROCESS_INFORMATION* viewer) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != viewer->dwProcessId) return false;
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    return lstrcmpiW(className, L"IME") != 0 && lstrcmpiW(className, L"MSCTFIME UI") != 0;
}

BOOL CALLBACK FindViewerWindowProc(HWND window, LPARAM param) {
    if (IsViewerWindow(window, reinterpret_cast<const PROCESS_INFORMATION*>(param))) {
        viewerWindow = window;
        viewerWindowFound = 1;
        return FALSE;
    }
    viewerWindowFound = 0;
    return TRUE;
}

BOOL CALLBACK CloseViewerWindowProc(HWND window, LPARAM param) {
    if (IsViewerWindow(window, reinterpret_cast<const PROCESS_INFORMATION*>(param))) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return FALSE;
    }
    return TRUE;
}

void ShowStartFailed() {
    MessageBoxW(mainWindow, kStartFailed, L"Zuv", MB_OK | MB_ICONWARNING);
}

// The focused item's name and its path in the current folder; false when no
// item has the focus or the path does not fit.
bool FocusedItemPath(std::wstring* name, wchar_t* path) {
    if (FocusedListItem(name) < 0) return false;
    return PathCombineW(path, currentDir, name->c_str()) != nullptr;
}

void StartExtensionProgram(const wchar_t* program, const wchar_t* path) {
    wchar_t folder[kPathChars];
    lstrcpynW(folder, program, kPathChars);
    PathRemoveFileSpecW(folder);
    // Stays the process's current folder afterwards.
    SetCurrentDirectoryW(folder);

    wchar_t commandLine[2 * kPathChars + 8];
    wsprintfW(commandLine, L"%s \"%s\"", program, path);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    BOOL ok = CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                             &startup, &started);
    if (ok && started.hProcess) {
        // The program runs on its own and is not watched.
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    } else {
        if (started.hThread) CloseHandle(started.hThread);
        ShowStartFailed();
    }
}

void StartViewer(const wchar_t* path) {
    // A viewer recorded earlier whose window is gone is replaced; its
    // handles would otherwise be lost with the record.
    if (viewerProcess.hThread) CloseHandle(viewerProcess.hThread);
    if (viewerProcess.hProcess) CloseHandle(viewerProcess.hProcess);
    viewerProcess = PROCESS_INFORMATION();

    wchar_t commandLine[2 * kPathChars + 16];
    wsprintfW(commandLine, L"\"%s\" \"Zuv%s\"", viewerPath, path);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &viewerProcess)) {
        viewerProcess = PROCESS_INFORMATION();
        ShowStartFailed();
        return;
    }
    // The viewer shows this file already; a later move to another file must
    // feed it even when that file was the one fed to an earlier viewer.
    lstrcpynW(lastViewerPath, path, kPathChars);
}

void ToggleViewer(const wchar_t* path) {
    FindViewerWindow();
    if (viewerWindowFound) {
        CloseViewer();
        viewerProcess = PROCESS_INFORMATION();
        return;
    }
    StartViewer(path);
}

void FeedViewer(const wchar_t* path) {
    wchar_t text[kPathChars + 8];
    wsprintfW(text, L"Zuv%s", path);
    COPYDATASTRUCT data = {};
    data.dwData = 0;
    data.cbData = static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t));
    data.lpData = text;
    DWORD_PTR result = 0;
    // A viewer that does not answer in time is not waited for; the second
    // message would only wait as long again. Only a delivered file counts as
    // sent, so a viewer that was busy gets the file again at its next focus.
    if (!SendMessageTimeoutW(viewerWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(mainWindow),
                             reinterpret_cast<LPARAM>(&data), SMTO_NORMAL | SMTO_ABORTIFHUNG, kViewerFeedTimeoutMs,
                             &result)) {
        return;
    }
    lstrcpynW(lastViewerPath, path, kPathChars);
    SendMessageTimeoutW(viewerWindow, WM_APP + 1, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kViewerFeedTimeoutMs,
                        &result);
}

}  // namespace

bool ReadItemLocalTime(const wchar_t* path, bool folder, SYSTEMTIME* local) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME written;
    SYSTEMTIME utc;
    bool ok = GetFileTime(file, nullptr, nullptr, &written) && FileTimeToSystemTime(&written, &utc) &&
              SystemTimeToTzSpecificLocalTime(nullptr, &utc, local);
    CloseHandle(file);
    return ok;
}

void ShowItemInTitle(const std::wstring& name, const wchar_t* path, bool folder) {
    wchar_t title[kPathChars + 32];
    lstrcpynW(title, name.c_str(), kPathChars);
    SYSTEMTIME local;
    if (ReadItemLocalTime(path, folder, &local)) {
        wsprintfW(title, L"%s %d/%02d/%02d %02d:%02d", name.c_str(), local.wYear, local.wMonth, local.wDay,
                  local.wHour, local.wMinute);
    }
    SetWindowTextW(mainWindow, title);
}

void FindViewerWindow() {
    if (!viewerProcess.hProcess) {
        viewerWindowFound = 0;
        return;
    }
    EnumWindows(FindViewerWindowProc, reinterpret_cast<LPARAM>(&viewerProcess));
}

void CloseViewer() {
    EnumWindows(CloseViewerWindowProc, reinterpret_cast<LPARAM>(&viewerProcess));
    if (WaitForSingleObject(viewerProcess.hProcess, 1000) == WAIT_TIMEOUT) TerminateProcess(viewerProcess.hProcess, 0);
    CloseHandle(viewerProcess.hThread);
    CloseHandle(viewerProcess.hProcess);
}

void EscapeCommand() {
    if (!viewerProcess.hProcess) {
        viewerWindowFound = 0;
        SendMessageW(mainWindow, WM_CLOSE, 0, 0);
        return;
    }
    FindViewerWindow();
    if (viewerWindowFound) {
        CloseViewer();
        viewerProcess = PROCESS_INFORMATION();
        return;
    }
    SendMessageW(mainWindow, WM_CLOSE, 0, 0);
}

void OnListViewReturn() {
    std::wstring name;
    wchar_t path[kPathChars];
    if (!FocusedItemPath(&name, path)) return;
    wchar_t program[kPathChars] = L"";
    ReadExtensionProgram(path, program);

    if (IsFolderPath(path)) {
        EnterFolderItem(name.c_str());
        return;
    }
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (shift && program[0]) {
        StartExtensionProgram(program, path);
    } else if (shift) {
        OpenWithAssociatedProgram(path);
    } else {
        ToggleViewer(path);
    }
}

void OnListViewItemChanged() {
    std::wstring name;
    wchar_t path[kPathChars];
    if (!FocusedItemPath(&name, path)) return;
    bool folder = IsFolderPath(path);
    ShowItemInTitle(name, path, folder);

    FindViewerWindow();
    if (!viewerWindowFound || folder) return;
    if (_wcsicmp(path, lastViewerPath) == 0) return;
    if (GetFocus() != listView) return;
    FeedViewer(path);
}

void OpenWithAssociatedProgram(const wchar_t* path) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = 0;
    info.hwnd = mainWindow;
    info.lpVerb = nullptr;
    info.lpFile = path;
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
}
