#include "shell/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <mmsystem.h>

#include "fileops/folder_helpers.h"
#include "preview/preview_pipeline.h"
#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/folder_listing.h"
#include "shell/list_view_nav.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"
#include "shell/navigation.h"
#include "shell/restart_protocol.h"
#include "shell/settings_file.h"
#include "shell/start_folder.h"
#include "shell/theme_colours.h"
#include "thumbnails/thumbnail_worker.h"

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZUV_LARGE), IMAGE_ICON, 32, 32, LR_LOADTRANSPARENT));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZUV_SMALL), IMAGE_ICON, 16, 16, LR_LOADTRANSPARENT));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance, const wchar_t* commandLine) {
    // WS_CLIPCHILDREN: the class background, erased after the children have
    // painted, would otherwise cover the up button and the path box.
    return CreateWindowExW(0, kMainWindowClass, L"Zuv", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                           const_cast<wchar_t*>(commandLine));
}

int ThumbnailListGrowth(int size) {
    const long long kStepBytes = 8 << 20;
    long long imageBytes = 4LL * (size > 0 ? size : 1) * (size > 0 ? size : 1);
    long long step = kStepBytes / imageBytes;
    if (step < 4) step = 4;
    if (step > 256) step = 256;
    return static_cast<int>(step) & ~3;
}

HIMAGELIST CreateThumbnailList(int size) {
    return ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, ThumbnailListGrowth(size));
}

void CreateThumbnailLists() {
    imageListLarge = CreateThumbnailList(iconSize);
    imageListSmall = CreateThumbnailList(iconSizeSmall);
    SendMessageW(listView, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(imageListLarge));
    SendMessageW(listView, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(imageListSmall));
}

HACCEL CreateMainAccelerators() {
    ACCEL keys[] = {
        {FVIRTKEY, VK_ESCAPE, ID_KEY_ESCAPE},
        {FVIRTKEY, VK_RETURN, ID_KEY_RETURN},
        {FVIRTKEY, VK_RIGHT, ID_KEY_RIGHT},
        {FVIRTKEY, VK_LEFT, ID_KEY_LEFT},
    };
    return CreateAcceleratorTableW(keys, 4);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(hwnd, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_DESTROY: return OnDestroy(hwnd);
    case WM_SIZE: return OnSize(hwnd, lParam);
    case WM_ACTIVATE: return OnActivate(hwnd, wParam);
    case WM_PAINT: return OnPaint(hwnd, wParam, lParam);
    case WM_CLOSE: return OnClose(hwnd);
    case WM_NOTIFY: return OnNotify(hwnd, wParam, lParam);
    case WM_CONTEXTMENU: return OnContextMenu(hwnd, wParam, lParam);
    case WM_KEYDOWN: return OnKeyDown(hwnd, wParam, lParam);
    case WM_COMMAND: return OnCommand(hwnd, wParam, lParam);
    case WM_DROPFILES: return OnDropFiles(hwnd, wParam);
    case kWorkerEndedMessage: return OnWorkerEnded(hwnd, wParam);
    case WM_TIMER: return wParam == kPreviewVideoTimer ? OnPreviewVideoTimer(hwnd) : 0;
    case MM_MCINOTIFY: return OnMciNotify(hwnd, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

namespace {

HWND CreateChild(HWND parent, HINSTANCE instance, const wchar_t* className, const wchar_t* text, int id,
                 DWORD exStyle, DWORD style, int size) {
    return CreateWindowExW(exStyle, className, text, style, 0, 0, size, size, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

WNDPROC Subclass(HWND window, WNDPROC procedure) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

void LayOutChildren(int width, int height) {
    MoveWindow(upButton, 0, 0, barHeight, barHeight, TRUE);
    MoveWindow(pathEdit, barHeight, 0, width - barHeight, barHeight, TRUE);
    MoveWindow(listView, 0, barHeight, width, height - barHeight, TRUE);
}

void CreateChildWindows(HWND window, HINSTANCE instance) {
    upButton = CreateChild(window, instance, L"BUTTON", L"\u2191", IDC_UP_BUTTON, 0,
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, barHeight);
    pathEdit = CreateChild(window, instance, L"EDIT", nullptr, IDC_PATH_EDIT, 0, WS_CHILD | WS_VISIBLE, barHeight);
    SetWindowTextW(pathEdit, currentDir);
    pathEditOldProc = Subclass(pathEdit, PathEditProc);
    DWORD viewStyle = iconView == 1 ? LVS_ICON : LVS_LIST;
    listView = CreateChild(window, instance, WC_LISTVIEWW, nullptr, IDC_LIST_VIEW, WS_EX_CLIENTEDGE,
                           WS_CHILD | WS_VISIBLE | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | viewStyle, 10);
    listViewOldProc = Subclass(listView, ListViewNavProc);
    shadowListView = CreateChild(window, instance, WC_LISTVIEWW, nullptr, IDC_SHADOW_LIST_VIEW, WS_EX_CLIENTEDGE,
                                 WS_CHILD | LVS_ICON, 10);
}

void FillWorkerParams() {
    workerParams.mainWindow = mainWindow;
    workerParams.listView = listView;
    workerParams.shadowListView = shadowListView;
    workerParams.currentDir = currentDir;
    workerParams.imageListLarge = imageListLarge;
    workerParams.imageListSmall = imageListSmall;
    workerParams.iconSize = iconSize;
    workerParams.iconSizeSmall = iconSizeSmall;
    workerParams.thumbnailWait = thumbnailWait;
    workerParams.fontStrJp = fontStrJp;
    workerParams.fontStrEn = fontStrEn;
    workerParams.fontTextJp = fontTextJp;
    workerParams.fontTextEn = fontTextEn;
    workerParams.fontSize = fontSize;
    workerParams.fullRebuild = 1;
    workerParams.generation = 0;
    workerParams.sevenZipPath = sevenZipPath;
    workerParams.maxBytes = MaxBytesFromMB(maxMB);
    workerParams.browserPath = browserPath;
    workerParams.hideCache = hideCache;
    workerParams.cacheAutoSave = cacheAutoSave;
    workerParams.speedMode = speedMode;
    workerParams.ignoreCache = 0;
    workerParams.fontName = fontName;
}

void StartFolderFromCommandLine(const wchar_t* commandLine) {
    int argCount = 0;
    wchar_t** args = CommandLineToArgvW(commandLine, &argCount);
    ChooseStartFolder(args ? argCount : 0, args, currentDir);
    if (args) LocalFree(args);
}

}  // namespace

LRESULT OnCreate(HWND window, const CREATESTRUCTW* create) {
    mainWindow = window;
    DragAcceptFiles(window, TRUE);
    InitCommonControls();
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    mainMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_SETTINGS));
    settingsMenu = GetSubMenu(mainMenu, 0);

    SetSettingsPath();
    ReadSettings(window);
    const wchar_t* commandLine = create && create->lpCreateParams
                                     ? static_cast<const wchar_t*>(create->lpCreateParams)
                                     : GetCommandLineW();
    StartFolderFromCommandLine(commandLine);
    PushHistory();

    barHeight = GetSystemMetrics(SM_CYMENU);
    CreateChildWindows(window, instance);
    // The list view takes its final size before it is filled: sized after,
    // it would arrange and invalidate every item again.
    RECT client = {};
    GetClientRect(window, &client);
    LayOutChildren(client.right, client.bottom);

    CreateThumbnailLists();
    ApplyThemeColours(darkMode);

    // Both list views show the same listing, read once.
    TFolderListing listing;
    ReadFolderListing(currentDir, hideCache, &listing);
    ShowFolderListing(listView, listing);
    SelectListItem(0);
    ShowFolderListing(shadowListView, listing);

    wchar_t tempPath[kPathChars] = L"";
    DWORD tempLength = GetTempPathW(kPathChars, tempPath);
    // Without a temporary path that fits, the work folder would be a relative
    // "Zuv" or empty, and shutdown would empty what that names (an empty path
    // is the root of the current drive). The program then runs without it.
    if (tempLength == 0 || tempLength >= static_cast<DWORD>(kPathChars) || !PathCombineW(tempDir, tempPath, L"Zuv")) {
        tempDir[0] = 0;
    } else {
        CreateDirectoryW(tempDir, nullptr);
    }

    FillWorkerParams();
    workerStop = 0;
    workerThread = StartThumbnailWorker(&workerParams);
    return 0;
}

LRESULT OnDestroy(HWND) {
    PostQuitMessage(0);
    return 0;
}

LRESULT OnSize(HWND, LPARAM lParam) {
    LayOutChildren(LOWORD(lParam), HIWORD(lParam));
    return 0;
}

LRESULT OnActivate(HWND, WPARAM wParam) {
    if (wParam != 0) SetFocus(listView);
    return 0;
}

LRESULT OnPaint(HWND window, WPARAM wParam, LPARAM lParam) {
    if (darkMode == 1) ApplyThemeColours(1);
    CallWindowProcW(ListViewNavProc, listView, WM_PAINT, wParam, lParam);
    // The child windows cover the whole client area.
    RECT client;
    GetClientRect(window, &client);
    ValidateRect(window, &client);
    return 0;
}

LRESULT OnClose(HWND window) {
    if (IsZoomed(window)) ShowWindow(window, SW_RESTORE);
    FindViewerWindow();
    if (viewerWindowFound) CloseViewer();
    WriteSettings(window);
    StopWorkerForChange();
    // The list view would destroy the lists it holds once more when it goes.
    SendMessageW(listView, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    SendMessageW(listView, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    RetireImageList(imageListLarge);
    RetireImageList(imageListSmall);
    DestroyMenu(mainMenu);
    if (tempDir[0]) {
        DeleteFolderContents(tempDir, 0);
        RemoveDirectoryW(tempDir);
    }
    DestroyWindow(window);
    return 0;
}

LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM) {
    int id = LOWORD(wParam);
    switch (id) {
    case ID_KEY_ESCAPE: SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0); return 0;
    case ID_KEY_RETURN: SendMessageW(listView, WM_KEYDOWN, VK_RETURN, 0); return 0;
    case ID_KEY_RIGHT: SendMessageW(listView, WM_KEYDOWN, VK_RIGHT, 0); return 0;
    case ID_KEY_LEFT: SendMessageW(listView, WM_KEYDOWN, VK_LEFT, 0); return 0;
    case IDC_UP_BUTTON: return OnUpButton(window);
    case ID_SETTINGS_VALUES:
    case ID_SETTINGS_HIDE_CACHE:
    case ID_SETTINGS_CACHE_AUTOSAVE:
    case ID_SETTINGS_SPEED:
    case ID_SETTINGS_DARK: return OnSettingsCommand(window, id);
    case ID_ANIMATION_STEP:
    case ID_ANIMATION_START: return OnAnimationCommand(window, id);
    }
    return 0;
}

LRESULT OnWorkerEnded(HWND, WPARAM wParam) {
    ForgetEndedWorker(static_cast<DWORD>(wParam));
    return 0;
}

LRESULT OnUpButton(HWND) {
    GoToParentFolder();
    return 0;
}
