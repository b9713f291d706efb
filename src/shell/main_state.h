// Process-wide state of the application shell. Written on the user-interface
// thread; the worker reads only what its record and the design allow.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

constexpr int kPathChars = 260;

// Window and control handles.
extern HWND mainWindow;
extern HWND upButton;
extern HWND pathEdit;
extern HWND listView;
extern HWND shadowListView;
extern WNDPROC pathEditOldProc;
extern WNDPROC listViewOldProc;
extern HIMAGELIST imageListLarge;
extern HIMAGELIST imageListSmall;
extern HMENU mainMenu;
extern HMENU settingsMenu;
extern int barHeight;

// Paths.
extern wchar_t iniPath[kPathChars];
extern wchar_t currentDir[kPathChars];
extern wchar_t tempDir[kPathChars];
extern wchar_t inputText[kPathChars];

// Settings values (read from the settings file at start).
extern int windowX, windowY, windowWidth, windowHeight;
extern int iconSize;
extern int iconSizeSmall;
extern int thumbnailWait;
extern wchar_t fontStrJp[64];
extern wchar_t fontStrEn[64];
extern wchar_t fontTextJp[1024];
extern wchar_t fontTextEn[1024];
extern int fontSize;
extern int volume;
extern wchar_t browserPath[kPathChars];   // "chrome.exe"
extern wchar_t sevenZipPath[kPathChars];  // "7z.exe"
extern int maxMB;
extern wchar_t viewerPath[kPathChars];    // "Qav.exe"
extern wchar_t fontName[kPathChars];
extern int hideCache;
extern int cacheAutoSave;
extern int speedMode;
extern int darkMode;
extern wchar_t driveDirs[9][kPathChars];  // drives A to I
extern int iconView;                      // 1 = icon view, 0 = list view mode
// Read at start and used by nothing else.
extern wchar_t fontStrJpSmall[16];
extern wchar_t fontStrEnSmall[16];
extern int fontSizeSmall;
extern int previewX, previewY, previewWidth, previewHeight;

// Values exchanged with the values dialog: filled just before it runs, read
// just after. valuesThumbnailWait is -1 for an empty box, -100 after a cancel.
extern int valuesIconSize;
extern int valuesIconSizeSmall;
extern int valuesThumbnailWait;

// Worker control, shared with the thumbnail engine.
extern HANDLE workerThread;
extern volatile LONG workerStop;
extern int nextGeneration;

// Navigation.
extern std::vector<std::wstring> history;
extern int historyIndex;

// List-view keyboard navigation.
extern int selectionAnchor;

// External viewer.
extern PROCESS_INFORMATION viewerProcess;
extern HWND viewerWindow;
extern int viewerWindowFound;
extern wchar_t lastViewerPath[kPathChars];

// Preview window; nothing creates it.
extern HWND previewWindow;
extern int previewPage;
