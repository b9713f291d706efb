// A stand-in for the main window around the thumbnail worker: a top-level
// window with a visible and a hidden list view and the two image lists,
// wired into the shell's globals and the worker record as the main window
// wires them. Tests fill the list views themselves and start workers as the
// shell does.
#pragma once

#include "support/list_view_items.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

class WorkerHost {
public:
    // Thumbnail size of both views; icon view, dark theme, no cache saving.
    explicit WorkerHost(int size = 64);
    ~WorkerHost();
    WorkerHost(const WorkerHost&) = delete;
    WorkerHost& operator=(const WorkerHost&) = delete;

    HWND window() const { return window_; }
    HWND list() const { return list_; }
    HWND shadow() const { return shadow_; }
    HIMAGELIST largeImages() const { return large_; }
    HIMAGELIST smallImages() const { return small_; }
    // The image list of the view that iconView selects.
    HIMAGELIST images() const;

    // Makes `folder` the current folder (currentDir).
    void SetFolder(const std::wstring& folder);

    // Starts a worker as the shell does (workerThread, workerStop 0) and
    // returns a handle of the test's own to wait on.
    HANDLE Start(int fullRebuild = 1, int ignoreCache = 0);
    // Dispatches messages until the thread has ended; false on time-out.
    bool WaitForEnd(HANDLE thread, DWORD timeoutMs = 30000);
    // Start, then wait; false when the worker did not end in time.
    bool Run(int fullRebuild = 1, int ignoreCache = 0);

    // Called on this thread for every message to the visible list view
    // before the list view handles it; `fromWorker` is true for messages
    // sent from another thread.
    using Hook = std::function<void(UINT message, WPARAM wParam, LPARAM lParam, bool fromWorker)>;
    void SetListHook(Hook hook) { hook_ = std::move(hook); }
    // The same for the hidden list view.
    void SetShadowHook(Hook hook) { shadowHook_ = std::move(hook); }

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HWND list_ = nullptr;
    HWND shadow_ = nullptr;
    HIMAGELIST large_ = nullptr;
    HIMAGELIST small_ = nullptr;
    WNDPROC listProc_ = nullptr;
    WNDPROC shadowProc_ = nullptr;
    Hook hook_;
    Hook shadowHook_;
    std::vector<HANDLE> threads_;
};

// Replaces the items of a list view with `names`, item i with image index i.
void FillListView(HWND list, const std::vector<std::wstring>& names);
// Selects exactly the items whose positions are given.
void SelectListViewItems(HWND list, const std::vector<int>& positions);

// True while the folder listing is still the placeholder that lists nothing.
bool FolderListingIsPlaceholder();
