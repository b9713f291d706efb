#include "fileops/name_dialogs.h"

#include <shlwapi.h>

#include <cwchar>

#include "resources/resource.h"
#include "shell/input_dialog.h"
#include "shell/main_state.h"

namespace {

// Selects a name up to its extension, so that typing replaces the stem.
void SelectStem(HWND edit, const wchar_t* name) {
    int length = static_cast<int>(wcslen(name));
    int extension = static_cast<int>(wcslen(PathFindExtensionW(name)));
    SendMessageW(edit, EM_SETSEL, 0, length - extension);
}

}  // namespace

INT_PTR CALLBACK NewFileNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        HWND edit = GetDlgItem(dialog, IDC_FILE_NAME_EDIT);
        SetWindowTextW(edit, inputText);
        SelectStem(edit, inputText);
        SetFocus(edit);
        CentreDialogOnMainWindow(dialog);
        return FALSE;
    }
    case WM_COMMAND:
        if (wParam == IDOK) {
            GetDlgItemTextW(dialog, IDC_FILE_NAME_EDIT, inputText, kPathChars);
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        } else if (wParam == IDCANCEL) {
            inputText[0] = 0;
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        }
        return FALSE;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            inputText[0] = 0;
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        }
        return FALSE;
    case WM_SYSCOMMAND:
        // The close box would otherwise leave the proposed name as the answer.
        if ((wParam & 0xFFF0) == SC_CLOSE) inputText[0] = 0;
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}
