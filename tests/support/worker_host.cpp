#include "support/worker_host.h"

#include <algorithm>

#include "shell/folder_listing.h"
#include "shell/main_window.h"
#include "shell/main_state.h"
#include "support/test_files.h"
#include "thumbnails/thumbnail_worker.h"
#include "thumbnails/worker_params.h"

namespace {

constexpr wchar_t kHostClass[] = L"ZuvWorkerHost";
WorkerHost* currentHost = nullptr;

// Takes the workers' end messages as the main window does.
LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWorkerEndedMessage) {
        ForgetEndedWorker(static_cast<DWORD>(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterHostClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = kHostClass;
    RegisterClassExW(&wc);
    registered = true;
}

}  // namespace

WorkerHost::WorkerHost(int size) {
    RegisterHostClass();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    window_ = CreateWindowExW(0, kHostClass, L"Zuv", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                              instance, nullptr);
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | LVS_ICON, 0, 0, 620, 440,
                            window_, reinterpret_cast<HMENU>(1001), instance, nullptr);
    shadow_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | LVS_ICON, 0, 0, 10, 10, window_,
                              reinterpret_cast<HMENU>(1002), instance, nullptr);
    large_ = CreateThumbnailList(size);
    small_ = CreateThumbnailList(size);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large_));
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small_));
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);

    currentHost = this;
    listProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WorkerHost::ListProc)));
    shadowProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(shadow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WorkerHost::ListProc)));

    ::mainWindow = window_;
    ::listView = list_;
    ::shadowListView = shadow_;
    ::imageListLarge = large_;
    ::imageListSmall = small_;
    ::iconSize = size;
    ::iconSizeSmall = size;
    ::iconView = 1;
    ::darkMode = 1;
    ::hideCache = 1;
    ::cacheAutoSave = 0;
    ::speedMode = 0;
    ::sevenZipPath[0] = L'\0';
    ::browserPath[0] = L'\0';
    ::currentDir[0] = L'\0';
    ::workerThread = nullptr;
    ::workerStop = 0;

    TWorkerParams& p = workerParams;
    p.mainWindow = window_;
    p.listView = list_;
    p.shadowListView = shadow_;
    p.currentDir = ::currentDir;
    p.imageListLarge = large_;
    p.imageListSmall = small_;
    p.iconSize = size;
    p.iconSizeSmall = size;
    p.thumbnailWait = -1;
    p.fontStrJp = ::fontStrJp;
    p.fontStrEn = ::fontStrEn;
    p.fontTextJp = ::fontTextJp;
    p.fontTextEn = ::fontTextEn;
    p.fontSize = ::fontSize;
    p.fullRebuild = 1;
    p.generation = 0;
    p.sevenZipPath = ::sevenZipPath;
    p.maxBytes = 64 << 20;
    p.browserPath = ::browserPath;
    p.hideCache = 1;
    p.cacheAutoSave = 0;
    p.speedMode = 0;
    p.ignoreCache = 0;
    p.fontName = ::fontName;
}

WorkerHost::~WorkerHost() {
    StopThumbnailWorker();
    // Abandoned workers still talk to the list views; let them end first.
    for (HANDLE thread : threads_) {
        WaitForEnd(thread, 30000);
        CloseHandle(thread);
    }
    SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc_));
    SetWindowLongPtrW(shadow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(shadowProc_));
    currentHost = nullptr;
    DestroyWindow(window_);
    ImageList_Destroy(large_);
    ImageList_Destroy(small_);
    ::mainWindow = ::listView = ::shadowListView = nullptr;
    ::imageListLarge = ::imageListSmall = nullptr;
    workerParams = TWorkerParams{};
    ::workerStop = 0;
}

HIMAGELIST WorkerHost::images() const {
    return ::iconView == 1 ? large_ : small_;
}

void WorkerHost::SetFolder(const std::wstring& folder) {
    lstrcpynW(::currentDir, folder.c_str(), kPathChars);
}

HANDLE WorkerHost::Start(int fullRebuild, int ignoreCache) {
    workerParams.fullRebuild = fullRebuild;
    workerParams.ignoreCache = ignoreCache;
    ::workerStop = 0;
    ::workerThread = StartThumbnailWorker(&workerParams);
    HANDLE own = nullptr;
    DuplicateHandle(GetCurrentProcess(), ::workerThread, GetCurrentProcess(), &own, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    threads_.push_back(own);
    return own;
}

bool WorkerHost::WaitForEnd(HANDLE thread, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, timeoutMs - elapsed, QS_ALLINPUT | QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

bool WorkerHost::Run(int fullRebuild, int ignoreCache) {
    HANDLE thread = Start(fullRebuild, ignoreCache);
    if (!WaitForEnd(thread)) return false;
    threads_.erase(std::find(threads_.begin(), threads_.end(), thread));
    CloseHandle(thread);
    return true;
}

LRESULT CALLBACK WorkerHost::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WorkerHost* host = currentHost;
    if (!host) return DefWindowProcW(hwnd, message, wParam, lParam);
    bool shadow = hwnd == host->shadow_;
    Hook hook = shadow ? host->shadowHook_ : host->hook_;  // the hook may replace itself
    if (hook) hook(message, wParam, lParam, InSendMessage() != FALSE);
    return CallWindowProcW(shadow ? host->shadowProc_ : host->listProc_, hwnd, message, wParam, lParam);
}

void FillListView(HWND list, const std::vector<std::wstring>& names) {
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < names.size(); ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(names[i].c_str());
        item.iImage = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void SelectListViewItems(HWND list, const std::vector<int>& positions) {
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (int position : positions) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, position, reinterpret_cast<LPARAM>(&item));
    }
}

bool FolderListingIsPlaceholder() {
    TempFolder folder;
    WriteText(folder / L"probe.txt", "x");
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_ICON, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ListFolder(list, folder.path().c_str(), 1);
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    DestroyWindow(list);
    return count == 0;
}
