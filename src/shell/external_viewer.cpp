#include "shell/external_viewer.h"

#include <windows.h>

#include "shell/main_state.h"

namespace {

DWORD WindowProcessId(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

BOOL CALLBACK FindViewerWindowProc(HWND window, LPARAM param) {
    const PROCESS_INFORMATION* viewer = reinterpret_cast<const PROCESS_INFORMATION*>(param);
    if (WindowProcessId(window) == viewer->dwProcessId) {
        viewerWindow = window;
        viewerWindowFound = 1;
        return FALSE;
    }
    viewerWindowFound = 0;
    return TRUE;
}

BOOL CALLBACK CloseViewerWindowProc(HWND window, LPARAM param) {
    const PROCESS_INFORMATION* viewer = reinterpret_cast<const PROCESS_INFORMATION*>(param);
    if (WindowProcessId(window) == viewer->dwProcessId) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

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
    SendMessageW(mainWindow, WM_CLOSE, 0, 0);
}

void OnListViewReturn() {}

void OnListViewItemChanged() {}
