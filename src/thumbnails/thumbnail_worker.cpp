#include "thumbnails/thumbnail_worker.h"

#include "shell/main_state.h"

DWORD WINAPI ThumbnailWorkerProc(LPVOID) {
    return 1;
}

void StopThumbnailWorker() {
    if (!workerThread) return;
    workerStop = 1;
    if (WaitForSingleObject(workerThread, 100) != WAIT_TIMEOUT) CloseHandle(workerThread);
    workerThread = nullptr;
    workerStop = 0;
}

HICON FindListItemIcon(HWND, HIMAGELIST, const wchar_t*) {
    return nullptr;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
