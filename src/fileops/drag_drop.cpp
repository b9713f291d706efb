#include "fileops/drag_drop.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "fileops/folder_helpers.h"
#include "fileops/selection_walk.h"
#include "fileops/transfer_checks.h"
#include "shell/folder_listing.h"
#include "shell/main_state.h"
#include "thumbnails/cache_files.h"
#include "thumbnails/renderers/safe_release.h"

namespace {

volatile LONG aliveDropSources = 0;

// The desktop folder's data object over the paths that still name an item;
// none when no path does. A missing identifier list is never handed on.
HRESULT DataObjectOfPaths(IShellFolder* desktop, const std::vector<std::wstring>& paths, IDataObject** data) {
    std::vector<PIDLIST_ABSOLUTE> items;
    for (const std::wstring& path : paths) {
        if (!PathFileExistsW(path.c_str())) continue;
        PIDLIST_ABSOLUTE item = ILCreateFromPathW(path.c_str());
        if (item) items.push_back(item);
    }
    // The desktop takes absolute lists where it asks for its children.
    std::vector<PCUITEMID_CHILD> children(items.begin(), items.end());
    HRESULT hr = E_FAIL;
    if (!items.empty()) {
        hr = desktop->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject,
                                    nullptr, reinterpret_cast<void**>(data));
    }
    for (PIDLIST_ABSOLUTE item : items) ILFree(item);
    return hr;
}

TItemStep MoveDroppedItem(HWND owner, const wchar_t* targetFolder, const std::wstring& sourceText) {
    wchar_t name[MAX_PATH];
    wchar_t target[MAX_PATH];
    TItemStep checked = CheckListItem(owner, sourceText, targetFolder, true, name, target);
    if (checked != kGoOn) return checked;
    const wchar_t* source = sourceText.c_str();
    if (PathFileExistsW(target)) {
        int answer = AskOverwrite(owner, name);
        if (answer == IDCANCEL) return kEndRun;
        if (answer != IDYES) return kNextItem;
        // A target that stays makes the move below fail.
        if (!IsFolderPath(target) && RecyclePath(target)) ForgetItemPicture(target);
    }
    bool done = false;
    if (IsFolderPath(target)) {
        done = MoveFolderInto(source, target);
    } else {
        done = MoveFileWhole(source, target);
    }
    if (!done) ShowTransferFailed(owner, name, true);
    return kNextItem;
}

}  // namespace

TDropSource::TDropSource() : refCount(0) {
    InterlockedIncrement(&aliveDropSources);
}

TDropSource::~TDropSource() {
    InterlockedDecrement(&aliveDropSources);
}

HRESULT STDMETHODCALLTYPE TDropSource::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropSource)) {
        *object = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TDropSource::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

ULONG STDMETHODCALLTYPE TDropSource::Release() {
    LONG count = InterlockedDecrement(&refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE TDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
    if (escapePressed) return DRAGDROP_S_CANCEL;
    DWORD buttons = keyState & (MK_LBUTTON | MK_RBUTTON);
    if (buttons == (MK_LBUTTON | MK_RBUTTON)) return DRAGDROP_S_CANCEL;
    if (buttons == 0) return DRAGDROP_S_DROP;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TDropSource::GiveFeedback(DWORD) {
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

LONG TDropSource::Alive() {
    return aliveDropSources;
}

void StartDragOfSelection() {
    if (SendMessageW(listView, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return;
    std::vector<std::wstring> paths = SelectedItemPaths();
    HRESULT hr = OleInitialize(nullptr);
    bool oleStarted = SUCCEEDED(hr);
    IShellFolder* desktop = nullptr;
    IDataObject* data = nullptr;
    if (SUCCEEDED(hr)) hr = SHGetDesktopFolder(&desktop);
    if (SUCCEEDED(hr)) hr = DataObjectOfPaths(desktop, paths, &data);
    if (SUCCEEDED(hr)) {
        TDropSource* source = new TDropSource();
        source->AddRef();
        DWORD allowed = GetKeyState(VK_SHIFT) < 0 ? DROPEFFECT_COPY : DROPEFFECT_COPY | DROPEFFECT_MOVE;
        DWORD effect = DROPEFFECT_NONE;
        // What the target did is its own business: nothing here changes after the drag.
        DoDragDrop(data, source, allowed, &effect);
        source->Release();
    }
    SafeRelease(data);
    SafeRelease(desktop);
    if (oleStarted) OleUninitialize();
}

void MoveDroppedFiles(HWND owner, const wchar_t* targetFolder, HDROP drop) {
    for (const std::wstring& source : FileListPaths(drop)) {
        if (MoveDroppedItem(owner, targetFolder, source) == kEndRun) break;
    }
}
