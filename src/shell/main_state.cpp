#include "shell/main_state.h"

#include "thumbnails/worker_params.h"

TWorkerParams workerParams;

HWND mainWindow;
HWND upButton;
HWND pathEdit;
HWND listView;
HWND shadowListView;
WNDPROC pathEditOldProc;
WNDPROC listViewOldProc;
HIMAGELIST imageListLarge;
HIMAGELIST imageListSmall;
HMENU mainMenu;
HMENU settingsMenu;
int barHeight;

wchar_t iniPath[kPathChars];
wchar_t currentDir[kPathChars];
wchar_t tempDir[kPathChars];
wchar_t inputText[kPathChars];

int windowX = 10, windowY = 10, windowWidth = 640, windowHeight = 360;
int iconSize = 128;
int iconSizeSmall = 128;
int thumbnailWait = 64;
wchar_t fontStrJp[64];
wchar_t fontStrEn[64];
wchar_t fontTextJp[1024];
wchar_t fontTextEn[1024];
int fontSize = 64;
int volume;
wchar_t browserPath[kPathChars];
wchar_t sevenZipPath[kPathChars];
int maxMB = 64;
wchar_t viewerPath[kPathChars];
wchar_t fontName[kPathChars];
int hideCache = 1;
int cacheAutoSave;
int speedMode;
int darkMode = 1;
wchar_t driveDirs[9][kPathChars];
int iconView = 1;
wchar_t fontStrJpSmall[16];
wchar_t fontStrEnSmall[16];
int fontSizeSmall = 64;
int previewX = 10, previewY = 10, previewWidth = 320, previewHeight = 180;

int valuesIconSize;
int valuesIconSizeSmall;
int valuesThumbnailWait;

HANDLE workerThread;
volatile LONG workerStop;
int nextGeneration = 1;

std::vector<std::wstring> history;
int historyIndex = -1;

int selectionAnchor = -1;

PROCESS_INFORMATION viewerProcess;
HWND viewerWindow;
int viewerWindowFound;
wchar_t lastViewerPath[kPathChars];

HWND previewWindow;
int previewPage;
