#include "thumbnails/cache_commands.h"

#include <windows.h>

#include "shell/main_state.h"
#include "thumbnails/cache_files.h"

void SaveCacheCommand() {
    // A worker that still runs would leave items without pictures; a state
    // that cannot be read counts as running.
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeThread(workerThread, &exitCode);
    if (exitCode == STILL_ACTIVE) {
        MessageBoxW(mainWindow, L"アイコン作成中です。", L"Zuv", MB_OK | MB_ICONWARNING);
        return;
    }
    SaveFolderCache(mainWindow, listView, imageListLarge, imageListSmall, currentDir);
}

void FolderPictureCommand() {
    SetFolderPicture();
}
