#include "fileops/selection_transfer.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <strsafe.h>

#include <string>

#include "fileops/folder_helpers.h"
#include "fileops/selection_walk.h"
#include "fileops/transfer_checks.h"
#include "shell/main_state.h"
#include "thumbnails/cache_files.h"

int browseSelectPending = 0;

namespace {

enum TTransfer { kCopy, kMove };
enum TDestination { kTyped, kPicked };

void ShowBadDestination(HWND owner) {
    MessageBoxW(owner, L"パス指定方法が間違っています。", L"Zuv", MB_OK | MB_ICONERROR);
}

void ShowTransferFailed(HWND owner, TTransfer transfer, const wchar_t* name) {
    ::ShowTransferFailed(owner, name, transfer == kMove);
}

bool IsFolder(const wchar_t* path) { return PathIsDirectoryW(path) == FILE_ATTRIBUTE_DIRECTORY; }

// The current folder in any spelling (another case, a trailing backslash,
// "." segments, a short name, another drive showing the same folder) is no
// destination: each lies inside the other only when they are one folder.
bool IsCurrentFolder(const wchar_t* destination) {
    return lstrcmpiW(destination, currentDir) == 0 ||
           (PathIsSameOrInside(destination, currentDir) && PathIsSameOrInside(currentDir, destination));
}

// The destination typed into the input dialog; false when there is none.
bool TypedDestination(HWND owner, wchar_t destination[kPathChars]) {
    if (inputText[0] && inputText[1] == L':' && !inputText[2]) {
        int drive = PathGetDriveNumberW(inputText);
        if (drive < 0) {
            ShowBadDestination(owner);
            return false;
        }
        // Only A to I have a remembered folder; other drives, and a slot
        // never filled, stand for the drive's root.
        if (drive < 9 && driveDirs[drive][0]) {
            lstrcpynW(destination, driveDirs[drive], kPathChars);
        } else {
            PathBuildRootW(destination, drive);
        }
    } else if (inputText[0] && inputText[1] == L':') {
        lstrcpynW(destination, inputText, kPathChars);
    } else if (!PathCombineW(destination, currentDir, inputText)) {
        ShowBadDestination(owner);
        return false;
    }
    if (IsCurrentFolder(destination)) {
        ShowBadDestination(owner);
        return false;
    }
    if (!IsFolder(destination)) {
        if (MessageBoxW(owner, L"指定されたフォルダが見つかりません。\n作成しますか？", L"Zuv", MB_YESNO) != IDYES) {
            ShowBadDestination(owner);
            return false;
        }
        CreateDirectoryW(destination, nullptr);
    }
    return true;
}

// The folder picked in the shell's browser; false when cancelled or unfit.
bool PickedDestination(HWND owner, TTransfer transfer, wchar_t destination[kPathChars]) {
    lstrcpynW(destination, currentDir, kPathChars);
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = destination;
    info.lpszTitle = transfer == kMove ? L"移動先指定" : L"コピー先指定";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseFolderCallback;
    info.lParam = reinterpret_cast<LPARAM>(destination);
    info.iImage = 0;
    // The browser needs COM on this thread; the main loop does not start it.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    bool havePath = false;
    if (item) {
        havePath = SHGetPathFromIDListW(item, destination) != FALSE;
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    if (!item) return false;
    if (!havePath || !IsFolder(destination) || IsCurrentFolder(destination)) {
        ShowBadDestination(owner);
        return false;
    }
    return true;
}

// Replaces an existing file at the target after the user's Yes, by recycling
// it. Returns the item's next step.
TItemStep ClearExistingFile(HWND owner, TTransfer transfer, const wchar_t* name, const wchar_t* target) {
    if (!PathFileExistsW(target) || IsFolder(target)) return kGoOn;
    int answer = AskOverwrite(owner, name);
    if (answer == IDCANCEL) return kEndRun;
    if (answer != IDYES) return kNextItem;
    if (PathFileExistsW(target) && !RecyclePath(target)) {
        ShowTransferFailed(owner, transfer, name);
        return kNextItem;
    }
    ForgetItemPicture(target);
    return kGoOn;
}

TItemStep CopyItem(HWND owner, TDestination from, const wchar_t* name, const wchar_t* source, const wchar_t* target) {
    // A link is not entered: what it points to is not the item's to copy.
    if (IsLinkPath(source)) {
        ShowTransferFailed(owner, kCopy, name);
        return kNextItem;
    }
    TItemStep cleared = ClearExistingFile(owner, kCopy, name, target);
    if (cleared != kGoOn) return cleared;
    bool copied;
    if (IsFolder(source)) {
        int overwrite = from == kTyped ? 0 : 1;
        if (PathFileExistsW(target)) {
            int answer = AskOverwrite(owner, name);
            if (answer == IDCANCEL) return kEndRun;
            if (answer == IDYES) {
                overwrite = 1;
            } else if (from == kPicked) {
                return kNextItem;
            } else {
                overwrite = 0;
            }
        }
        copied = CopyFolderInto(source, target, overwrite);
    } else {
        copied = CopyFileWhole(source, target);
    }
    if (!copied) ShowTransferFailed(owner, kCopy, name);
    return kNextItem;
}

TItemStep MoveItem(HWND owner, const wchar_t* name, const wchar_t* source, const wchar_t* target) {
    TItemStep cleared = ClearExistingFile(owner, kMove, name, target);
    if (cleared != kGoOn) return cleared;
    bool moved;
    if (IsFolder(source)) {
        if (PathFileExistsW(target)) {
            int answer = AskOverwrite(owner, name);
            if (answer == IDCANCEL) return kEndRun;
            if (answer != IDYES) return kNextItem;
        }
        // A folder moves by merging its contents, on one drive as between two.
        moved = MoveFolderInto(source, target);
    } else {
        moved = MoveFileWhole(source, target);
    }
    if (!moved) {
        ShowTransferFailed(owner, kMove, name);
        return kNextItem;
    }
    DeleteCacheEntries(source);
    return kItemRemoved;
}

void TransferSelection(HWND owner, TTransfer transfer, TDestination from, const TSelection& items) {
    if (items.empty()) return;
    wchar_t destination[kPathChars];
    if (from == kTyped ? !TypedDestination(owner, destination) : !PickedDestination(owner, transfer, destination)) {
        return;
    }
    ForEachItem(items, [&](const wchar_t* name, const wchar_t* source) {
        wchar_t target[kPathChars];
        // A target that does not fit, or one inside the item itself (a folder
        // into its own subfolder), is refused before anything is written.
        if (!source || !PathCombineW(target, destination, name) || PathIsSameOrInside(target, source)) {
            ShowTransferFailed(owner, transfer, name);
            return kNextItem;
        }
        return transfer == kCopy ? CopyItem(owner, from, name, source, target) : MoveItem(owner, name, source, target);
    });
}

// The browser's folder tree, at any depth below the dialog.
BOOL CALLBACK FindFolderTree(HWND child, LPARAM found) {
    wchar_t className[32];
    if (GetClassNameW(child, className, 32) && lstrcmpiW(className, WC_TREEVIEWW) == 0) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

void CopySelectionToTypedFolder(HWND owner, const TSelection& items) { TransferSelection(owner, kCopy, kTyped, items); }
void MoveSelectionToTypedFolder(HWND owner, const TSelection& items) { TransferSelection(owner, kMove, kTyped, items); }
void MoveSelectionToPickedFolder(HWND owner, const TSelection& items) { TransferSelection(owner, kMove, kPicked, items); }
void CopySelectionToPickedFolder(HWND owner, const TSelection& items) { TransferSelection(owner, kCopy, kPicked, items); }

int CALLBACK BrowseFolderCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    // The flag is set before and cleared before the selection is sent: the
    // change it causes may arrive at once (Wine) or later (Windows), and
    // either way only that change is answered, never the user's first pick.
    if (message == BFFM_INITIALIZED) {
        browseSelectPending = 1;
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    } else if (message == BFFM_SELCHANGED && browseSelectPending == 1) {
        browseSelectPending = 0;
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
        HWND tree = nullptr;
        EnumChildWindows(dialog, FindFolderTree, reinterpret_cast<LPARAM>(&tree));
        if (tree) {
            LPARAM selected = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
            if (selected) SendMessageW(tree, TVM_ENSUREVISIBLE, 0, selected);
        }
    }
    return 0;
}
