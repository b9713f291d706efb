#include "fileops/name_dialogs.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>

#include "fileops/folder_helpers.h"
#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/folder_listing.h"
#include "shell/input_dialog.h"
#include "shell/main_state.h"
#include "thumbnails/cache_files.h"

int renameTotal = 0;
int renameIndex = 0;
wchar_t renameOldName[MAX_PATH] = L"";
wchar_t renameFolder[MAX_PATH] = L"";

namespace {

// Selects a name up to its extension, so that typing replaces the stem.
void SelectStem(HWND edit, const wchar_t* name) {
    int length = static_cast<int>(wcslen(name));
    int extension = static_cast<int>(wcslen(PathFindExtensionW(name)));
    SendMessageW(edit, EM_SETSEL, 0, length - extension);
}

// Both cache files of the item follow its new name; an item without them
// loses nothing. Icons under the new name belong to a file that has gone
// (else the rename had failed) and would be shown for this one, unless only
// the letter case changes and they are the item's own.
void RenameCacheFiles(const wchar_t* folder, const wchar_t* oldName, const wchar_t* newName) {
    wchar_t renamed[kPathChars];
    if (lstrcmpiW(oldName, newName) != 0 && PathCombineW(renamed, folder, newName)) ForgetItemPicture(renamed);
    for (int iconViewMode : {1, 0}) {
        wchar_t from[kPathChars];
        wchar_t to[kPathChars];
        if (MakeItemCacheFilePath(from, folder, oldName, iconViewMode) &&
            MakeItemCacheFilePath(to, folder, newName, iconViewMode)) {
            MoveFileW(from, to);
        }
    }
}

// A typed name names an entry of the folder itself: a folder part or a drive
// would put the item (and its cache icons, as visible files) elsewhere.
bool IsEntryName(const wchar_t* name) {
    return !wcspbrk(name, L"\\/:") && wcscmp(name, L".") != 0 && wcscmp(name, L"..") != 0;
}

// OK in the rename dialog: true when the item took the typed name. MoveFileW
// never replaces an existing file, so an existing name fails here.
bool RenameToTypedName(HWND dialog) {
    GetDlgItemTextW(dialog, IDC_FILE_NAME_EDIT, inputText, kPathChars);
    wchar_t from[kPathChars];
    wchar_t to[kPathChars];
    if (!inputText[0] || !IsEntryName(inputText) || !PathCombineW(from, renameFolder, renameOldName) ||
        !PathCombineW(to, renameFolder, inputText)) {
        return false;
    }
    if (!MovePathItself(from, to)) return false;
    RenameCacheFiles(renameFolder, renameOldName, inputText);
    return true;
}

void InitRenameDialog(HWND dialog) {
    CentreDialogOnMainWindow(dialog);
    wchar_t title[64];
    wsprintfW(title, L"%s (%d/%d)", L"ファイル名", renameIndex, renameTotal);
    SetWindowTextW(dialog, title);
    lstrcpynW(renameOldName, inputText, kPathChars);
    PathStripPathW(renameOldName);
    lstrcpynW(renameFolder, inputText, kPathChars);
    PathRemoveFileSpecW(renameFolder);
    HWND edit = GetDlgItem(dialog, IDC_FILE_NAME_EDIT);
    SetWindowTextW(edit, renameOldName);
    SelectStem(edit, renameOldName);
    SetFocus(edit);
}

// What both name dialogs do alike: Cancel, Escape and the close box end
// them with an empty answer, and WM_CLOSE ends them. True when `message` was
// one of those, with the procedure's result.
bool EndsNameDialog(HWND dialog, UINT message, WPARAM wParam, INT_PTR* result) {
    *result = FALSE;
    switch (message) {
    case WM_COMMAND:
        if (wParam != IDCANCEL) return false;
        break;
    case WM_KEYDOWN:
        if (wParam != VK_ESCAPE) return false;
        break;
    case WM_SYSCOMMAND:
        // The close box would otherwise leave the dialog's starting text as
        // the answer.
        if ((wParam & 0xFFF0) == SC_CLOSE) inputText[0] = 0;
        return false;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        *result = TRUE;
        return true;
    default:
        return false;
    }
    inputText[0] = 0;
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    return true;
}

}  // namespace

void RenameSelection(HWND owner, const TSelection& items) {
    if (items.empty()) return;
    renameTotal = static_cast<int>(items.size());
    renameIndex = 0;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    for (const TSelectedItem& item : items) {
        ++renameIndex;
        const wchar_t* name = item.name.c_str();
        // A path that does not fit would name another item; it is not offered.
        if (!PathCombineW(inputText, currentDir, name)) continue;
        ShowItemInTitle(name, inputText, IsFolderPath(inputText));
        if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FILE_NAME), owner, RenameDialogProc, 0) == -1) {
            inputText[0] = 0;
        }
        if (!inputText[0]) return;
    }
}

INT_PTR CALLBACK RenameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR result = FALSE;
    if (EndsNameDialog(dialog, message, wParam, &result)) return result;
    if (message == WM_INITDIALOG) {
        InitRenameDialog(dialog);
    } else if (message == WM_COMMAND && wParam == IDOK) {
        if (RenameToTypedName(dialog)) {
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        } else {
            MessageBeep(MB_ICONHAND);
        }
    }
    return FALSE;
}

INT_PTR CALLBACK NewFileNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR result = FALSE;
    if (EndsNameDialog(dialog, message, wParam, &result)) return result;
    if (message == WM_INITDIALOG) {
        HWND edit = GetDlgItem(dialog, IDC_FILE_NAME_EDIT);
        SetWindowTextW(edit, inputText);
        SelectStem(edit, inputText);
        SetFocus(edit);
        CentreDialogOnMainWindow(dialog);
    } else if (message == WM_COMMAND && wParam == IDOK) {
        GetDlgItemTextW(dialog, IDC_FILE_NAME_EDIT, inputText, kPathChars);
        // An empty text is the answer "cancelled"; a name elsewhere is none.
        if (inputText[0] && !IsEntryName(inputText)) {
            MessageBeep(MB_ICONHAND);
        } else {
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        }
    }
    return FALSE;
}
