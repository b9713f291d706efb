// The one record handed to the thumbnail worker. The worker reads each field
// through its pointer at the moment it uses it, so the shell's later changes
// reach a running worker.
#pragma once

#include <windows.h>
#include <commctrl.h>

struct TWorkerParams {
    HWND mainWindow;
    HWND listView;
    HWND shadowListView;
    const wchar_t* currentDir;
    HIMAGELIST volatile imageListLarge;
    HIMAGELIST volatile imageListSmall;
    volatile int iconSize;
    volatile int iconSizeSmall;
    volatile int thumbnailWait;
    const wchar_t* fontStrJp;
    const wchar_t* fontStrEn;
    const wchar_t* fontTextJp;
    const wchar_t* fontTextEn;
    volatile int fontSize;
    volatile int fullRebuild;
    volatile int generation;
    const wchar_t* sevenZipPath;
    volatile int maxBytes;
    const wchar_t* browserPath;
    volatile int hideCache;
    volatile int cacheAutoSave;
    volatile int speedMode;
    volatile int ignoreCache;
    const wchar_t* fontName;
};

extern TWorkerParams workerParams;

DWORD WINAPI ThumbnailWorkerProc(LPVOID param);
