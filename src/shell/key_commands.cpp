// The main window's key commands. The table below is read from the top; the
// first row whose key, modifier and focus match handles the key.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "fileops/clipboard.h"
#include "fileops/drag_drop.h"
#include "fileops/name_dialogs.h"
#include "fileops/selection_delete.h"
#include "fileops/selection_transfer.h"
#include "fileops/selection_walk.h"
#include "preview/preview_pipeline.h"
#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/folder_listing.h"
#include "shell/input_dialog.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"
#include "shell/navigation.h"
#include "shell/restart_protocol.h"
#include "thumbnails/cache_commands.h"

namespace {

enum TKeyFocus { kAnyFocus, kListFocus, kPathFocus };

struct TKeyRow {
    UINT first;  // the key, or the first of a range of keys
    UINT last;   // the last key of the range; 0 for a single key
    UINT other;  // a second key for the same command, or 0
    bool control;  // Ctrl must be held; rows without it ignore Shift and Ctrl
    TKeyFocus focus;
    void (*command)(UINT key);
};

bool KeyMatches(const TKeyRow& row, UINT key) {
    if (row.last) return key >= row.first && key <= row.last;
    return key == row.first || (row.other && key == row.other);
}

bool FocusMatches(TKeyFocus focus) {
    HWND focused = GetFocus();
    switch (focus) {
    case kListFocus: return focused == listView;
    case kPathFocus: return focused == pathEdit;
    case kAnyFocus: break;
    }
    return true;
}

// Started on something that is not a folder, the window shows none: a name
// joined to the empty folder would be made or moved relative to the
// process's current folder or a drive's root.
bool HaveCurrentFolder() { return currentDir[0] != 0; }

void RelistAndReselect(const std::wstring& name, int index) {
    ListFolder(listView, currentDir, hideCache);
    ReselectByName(name, index);
}

void EscapeKey(UINT) {
    if (previewWindow) {
        PreviewEscapeKey();
    } else {
        EscapeCommand();
    }
}

void CloseMainWindow(UINT) {
    SendMessageW(mainWindow, WM_CLOSE, 0, 0);
}

// The commands on the selection take it before their first dialog (see
// TakeSelection). The moves take the moved items out of the list themselves
// and leave the worker running; only the focus is put back.
void MoveToTypedFolderKey(UINT) {
    std::wstring name;
    int index = FocusedListItem(&name);
    TSelection items = TakeSelection();
    RunInputDialog();
    if (!inputText[0]) return;
    MoveSelectionToTypedFolder(mainWindow, items);
    ReselectByName(name, index);
}

void CopyToPickedFolderKey(UINT) {
    CopySelectionToPickedFolder(mainWindow, TakeSelection());
}

void MoveToPickedFolderKey(UINT) {
    std::wstring name;
    int index = FocusedListItem(&name);
    MoveSelectionToPickedFolder(mainWindow, TakeSelection());
    ReselectByName(name, index);
}

void CopyToTypedFolderKey(UINT) {
    TSelection items = TakeSelection();
    RunInputDialog();
    if (!inputText[0]) return;
    CopySelectionToTypedFolder(mainWindow, items);
}

void DeleteKey(UINT) {
    StopWorkerForChange();
    std::wstring name;
    int index = FocusedListItem(&name);
    if (GetKeyState(VK_CONTROL) < 0) {
        MoveSelectionToTrashFolder(TakeSelection());
    } else {
        DeleteSelection(mainWindow, GetKeyState(VK_SHIFT) < 0 ? 0 : 1, TakeSelection());
    }
    RelistAndReselect(name, index);
    RestartThumbnailWorker(0);
}

void NewFolderCommand(UINT) {
    if (!HaveCurrentFolder()) return;
    RunInputDialog();
    if (!inputText[0]) return;
    StopWorkerForChange();
    std::wstring name;
    int index = FocusedListItem(&name);
    wchar_t path[kPathChars];
    if (!PathCombineW(path, currentDir, inputText) || !CreateDirectoryW(path, nullptr)) {
        MessageBoxW(mainWindow, L"フォルダの作成に失敗しました。", L"Zuv", MB_OK | MB_ICONERROR);
    }
    RelistAndReselect(name, index);
    RestartThumbnailWorker(0);
}

void NewTextFileCommand(UINT) {
    if (!HaveCurrentFolder()) return;
    StopWorkerForChange();
    std::wstring name;
    int index = FocusedListItem(&name);
    // Without a focused item the previous dialog's text is the proposal.
    if (index >= 0) {
        lstrcpynW(inputText, name.c_str(), kPathChars);
        PathRenameExtensionW(inputText, L".txt");
    }
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE));
    // A dialog that could not be shown must not turn the proposal into an answer.
    if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FILE_NAME), mainWindow, NewFileNameDialogProc, 0) == -1) {
        inputText[0] = 0;
    }
    if (!inputText[0]) {
        RestartThumbnailWorker(0);
        return;
    }
    wchar_t path[kPathChars];
    if (!PathCombineW(path, currentDir, inputText)) path[0] = 0;
    if (path[0] && PathFileExistsW(path)) {
        MessageBoxW(mainWindow, L"そのファイルは既に存在します。", L"Zuv", MB_OK | MB_ICONWARNING);
        RestartThumbnailWorker(0);
        return;
    }
    HANDLE file = path[0] ? CreateFileW(path, GENERIC_READ, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        MessageBoxW(mainWindow, L"ファイルの生成に失敗しました。", L"Zuv", MB_OK | MB_ICONWARNING);
        RestartThumbnailWorker(0);
        return;
    }
    CloseHandle(file);
    RelistAndReselect(name, index);
    RestartThumbnailWorker(0);
}

void ToggleViewCommand(UINT) {
    iconView = iconView == 1 ? 0 : 1;
    DWORD view = iconView == 1 ? LVS_ICON : LVS_LIST;
    SetWindowLongW(listView, GWL_STYLE, WS_CHILD | WS_VISIBLE | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | view);
    StopWorkerForChange();
    RedrawWholeListView();
    // The items stay; the new worker fills the new view's image list.
    RestartThumbnailWorker(1);
}

void ClipboardCopyKey(UINT) {
    CopySelectionToClipboard(mainWindow, 0);
}

void ClipboardCutKey(UINT) {
    CopySelectionToClipboard(mainWindow, 1);
}

void PasteKey(UINT) {
    if (!HaveCurrentFolder()) return;
    StopWorkerForChange();
    std::wstring name;
    int index = FocusedListItem(&name);
    PasteFromClipboard(mainWindow);
    RelistAndReselect(name, index);
    RestartThumbnailWorker(0);
}

void RenameKey(UINT) {
    StopWorkerForChange();
    int index = FocusedListItem(nullptr);
    RenameSelection(mainWindow, TakeSelection());
    ListFolder(listView, currentDir, hideCache);
    // The same position, wherever the new name sorts.
    SelectListItem(index);
    RestartThumbnailWorker(0);
}

void TypedPathKey(UINT) {
    GoToTypedPath();
}

void PathBoxKey(UINT) {
    GoToPathBoxPath();
}

void ParentFolderKey(UINT) {
    GoToParentFolder();
}

void RefreshKey(UINT) {
    RefreshFolder();
}

void NumberPadSlotKey(UINT key) {
    GoToDriveSlot(static_cast<int>(key - VK_NUMPAD0));
}

void DigitSlotKey(UINT key) {
    GoToDriveSlot(static_cast<int>(key - '0'));
}

void DriveRootKey(UINT) {
    GoToDriveRoot();
}

void SaveCacheKey(UINT) {
    SaveCacheCommand();
}

void FolderPictureKey(UINT) {
    FolderPictureCommand();
}

// In the order of the key table; the file operations take the places marked.
const TKeyRow kKeyRows[] = {
    {VK_ESCAPE, 0, 0, false, kAnyFocus, EscapeKey},
    {'W', 0, 0, true, kAnyFocus, CloseMainWindow},
    {'M', 0, 0, false, kListFocus, MoveToTypedFolderKey},
    {VK_INSERT, 0, 0, true, kListFocus, CopyToPickedFolderKey},
    {VK_INSERT, 0, 0, false, kListFocus, MoveToPickedFolderKey},
    {'C', 0, 0, true, kListFocus, ClipboardCopyKey},
    {'C', 0, 0, false, kListFocus, CopyToTypedFolderKey},
    {'X', 0, 0, true, kListFocus, ClipboardCutKey},
    {'V', 0, 0, true, kListFocus, PasteKey},
    {'K', 0, 0, false, kListFocus, NewFolderCommand},
    {VK_DELETE, 0, 'D', false, kListFocus, DeleteKey},
    {'L', 0, 0, false, kListFocus, TypedPathKey},
    {VK_RETURN, 0, 0, false, kPathFocus, PathBoxKey},
    {VK_BACK, 0, 0, false, kListFocus, ParentFolderKey},
    {VK_F5, 0, 0, false, kListFocus, RefreshKey},
    {VK_F6, 0, 0, false, kListFocus, ToggleViewCommand},
    {'R', 0, VK_F2, false, kListFocus, RenameKey},
    {VK_NUMPAD1, VK_NUMPAD9, 0, false, kListFocus, NumberPadSlotKey},
    {VK_OEM_5, 0, 0, false, kListFocus, DriveRootKey},
    {'1', '9', 0, false, kListFocus, DigitSlotKey},
    {'S', 0, 0, true, kListFocus, SaveCacheKey},
    {VK_F12, 0, 'W', false, kListFocus, FolderPictureKey},
    {'E', 0, 0, false, kListFocus, NewTextFileCommand},
};

// TranslateMessage has queued this key press's character already; the
// command's first modal loop would hand it to the list view, whose type-ahead
// moves the focus (and with Shift the selection) before the command reads
// them. Only the character of this press goes: its scan code is the key's.
void DropTypedCharacter(LPARAM keyData) {
    MSG typed;
    if (PeekMessageW(&typed, nullptr, WM_CHAR, WM_CHAR, PM_NOREMOVE | PM_NOYIELD) &&
        ((typed.lParam ^ keyData) & 0x01FF0000) == 0) {
        PeekMessageW(&typed, typed.hwnd, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD);
    }
}

}  // namespace

LRESULT OnKeyDown(HWND window, WPARAM wParam, LPARAM lParam) {
    UINT key = static_cast<UINT>(wParam);
    bool control = GetKeyState(VK_CONTROL) < 0;
    for (const TKeyRow& row : kKeyRows) {
        if (!KeyMatches(row, key) || (row.control && !control) || !FocusMatches(row.focus)) continue;
        DropTypedCharacter(lParam);
        row.command(key);
        return 0;
    }
    return DefWindowProcW(window, WM_KEYDOWN, wParam, lParam);
}

LRESULT OnDropFiles(HWND window, WPARAM wParam) {
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    if (!HaveCurrentFolder()) {
        DragFinish(drop);
        return 0;
    }
    StopWorkerForChange();
    std::wstring name;
    int index = FocusedListItem(&name);
    // Into the item under the mouse, folder or not; else the current folder.
    wchar_t hit[kPathChars];
    ListViewItemUnderMouse(listView, hit);
    wchar_t target[kPathChars];
    if (PathCombineW(target, currentDir, hit)) MoveDroppedFiles(window, target, drop);
    DragFinish(drop);
    RelistAndReselect(name, index);
    RestartThumbnailWorker(0);
    return 0;
}
