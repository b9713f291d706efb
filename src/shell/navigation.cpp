#include "shell/navigation.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>
#include <strsafe.h>

#include <climits>
#include <cwchar>

#include "shell/folder_listing.h"
#include "shell/input_dialog.h"
#include "shell/main_state.h"
#include "shell/restart_protocol.h"

namespace {

constexpr int kDriveSlots = 9;

// At most 259 characters and the terminator; a longer text is cut.
void CopyPath(wchar_t* destination, const wchar_t* source) {
    if (destination != source) StringCchCopyW(destination, kPathChars, source);
}

// The drive slot of a path (0 = A), or -1 for a drive without one (J to Z)
// and a path without a drive letter.
int DriveSlotOf(const wchar_t* path) {
    int drive = PathGetDriveNumberW(path);
    return drive >= 0 && drive < kDriveSlots ? drive : -1;
}

// The folder that the text typed after L names; false when the text should
// name an existing folder and does not.
bool TypedFolder(const wchar_t* text, wchar_t* folder) {
    size_t length = wcslen(text);
    if (length == 1) {
        wchar_t letter = text[0];
        if (letter >= L'a' && letter < L'a' + kDriveSlots) {
            CopyPath(folder, driveDirs[letter - L'a']);
        } else {
            folder[0] = letter;
            folder[1] = L':';
            folder[2] = L'\\';
            folder[3] = 0;
        }
        return true;
    }
    if (text[1] == L':') {
        CopyPath(folder, text);
    } else if (!PathCombineW(folder, currentDir, text)) {
        return false;
    }
    return IsFolderPath(folder);
}

}  // namespace

void PushHistory() {
    ++historyIndex;
    if (historyIndex <= static_cast<int>(history.size())) {
        history.erase(history.begin() + historyIndex, history.end());
    }
    history.push_back(currentDir);
    if (history.size() > 20) {
        history.erase(history.begin());
        --historyIndex;
    }
}

void EnterFolder(const wchar_t* path) {
    CopyPath(currentDir, path);
    PushHistory();
    SetWindowTextW(pathEdit, currentDir);
    ListFolder(listView, currentDir, hideCache);
}

void EnterFolderItem(const wchar_t* name) {
    wchar_t path[kPathChars];
    // A path that does not fit names no folder of this item.
    if (!PathCombineW(path, currentDir, name)) return;
    StopWorkerForChange();
    EnterFolder(path);
    SelectListItem(0);
    RestartThumbnailWorker(1);
}

void GoToParentFolder() {
    if (wcslen(currentDir) <= 3) return;
    wchar_t parent[kPathChars];
    if (!PathCombineW(parent, currentDir, L"..")) return;
    StopWorkerForChange();
    wchar_t left[kPathChars];
    CopyPath(left, currentDir);
    // A typed path may end in a backslash; the folder left is the name before it.
    PathRemoveBackslashW(left);
    PathStripPathW(left);
    EnterFolder(parent);
    // Not found: the item count, which selects nothing.
    SelectListItem(FindItemByName(left, INT_MAX));
    RestartThumbnailWorker(1);
}

void GoToPathBoxPath() {
    StopWorkerForChange();
    wchar_t text[kPathChars] = L"";
    GetWindowTextW(pathEdit, text, kPathChars);
    // A relative path is taken in the shown folder, never in the process's
    // current folder, which the HTML screenshots and the per-extension
    // programs change.
    wchar_t inShown[kPathChars];
    bool relative = text[0] && currentDir[0] && PathIsRelativeW(text) && PathCombineW(inShown, currentDir, text);
    CopyPath(currentDir, relative ? inShown : text);
    PushHistory();
    ListFolder(listView, currentDir, hideCache);
    RestartThumbnailWorker(1);
}

void GoToTypedPath() {
    RunInputDialog();
    if (!inputText[0]) return;
    StopWorkerForChange();
    wchar_t folder[kPathChars] = L"";
    if (!TypedFolder(inputText, folder)) {
        MessageBoxW(mainWindow, L"パス指定方法が間違っています。", L"Zuv", MB_OK | MB_ICONERROR);
        RestartThumbnailWorker(0);
        return;
    }
    EnterFolder(folder);
    RestartThumbnailWorker(1);
}

void GoToDriveSlot(int number) {
    if (number < 1 || number > kDriveSlots) return;
    StopWorkerForChange();
    // A folder on a drive without a slot is not remembered.
    int slot = DriveSlotOf(currentDir);
    if (slot >= 0) CopyPath(driveDirs[slot], currentDir);
    CopyPath(currentDir, driveDirs[number - 1]);
    EnterFolder(currentDir);
    SelectListItem(0);
    RestartThumbnailWorker(1);
}

void GoToDriveRoot() {
    int drive = PathGetDriveNumberW(currentDir);
    // A network path or an empty folder has no drive root to go to.
    if (drive < 0) return;
    StopWorkerForChange();
    PathBuildRootW(currentDir, drive);
    EnterFolder(currentDir);
    SelectListItem(0);
    RestartThumbnailWorker(1);
}

void RefreshFolder() {
    if (historyIndex >= 0 && historyIndex < static_cast<int>(history.size())) {
        CopyPath(currentDir, history[historyIndex].c_str());
    }
    SetWindowTextW(pathEdit, currentDir);
    StopWorkerForChange();
    int focused = FocusedListItem(nullptr);
    int position = ListScrollPosition();
    ListFolder(listView, currentDir, hideCache);
    RestoreListScrollPosition(position);
    // No focused item before: none selected now (-1 would select them all).
    if (focused >= 0) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(listView, LVM_SETITEMSTATE, focused, reinterpret_cast<LPARAM>(&item));
    }
    UpdateWindow(listView);
    SetFocus(listView);
    RestartThumbnailWorker(1, GetKeyState(VK_SHIFT) < 0 ? 1 : 0);
}

bool StepHistory(int step) {
    int target = historyIndex + step;
    if (target < 0 || target >= static_cast<int>(history.size())) return false;
    historyIndex = target;
    return true;
}
