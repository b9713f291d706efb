#include "shell/input_dialog.h"

#include "resources/resource.h"
#include "shell/main_state.h"

namespace {

void CloseWithText(HWND dialog, bool keep) {
    if (keep) {
        GetDlgItemTextW(dialog, IDC_INPUT_EDIT, inputText, kPathChars);
    } else {
        inputText[0] = 0;
    }
    SendMessageW(dialog, WM_CLOSE, 0, 0);
}

INT_PTR CALLBACK InputDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetFocus(GetDlgItem(dialog, IDC_INPUT_EDIT));
        CentreDialogOnMainWindow(dialog);
        return TRUE;
    case WM_COMMAND:
        if (wParam == IDOK) CloseWithText(dialog, true);
        if (wParam == IDCANCEL) CloseWithText(dialog, false);
        return TRUE;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) CloseWithText(dialog, false);
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void RunInputDialog() {
    // Nothing from an earlier dialog may count as this one's answer: the
    // close box ends the dialog through WM_CLOSE alone, without OK or Cancel.
    inputText[0] = 0;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE));
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_INPUT), mainWindow, InputDialogProc, 0);
}

void CentreDialogOnMainWindow(HWND dialog) {
    RECT main = {};
    RECT own = {};
    GetWindowRect(mainWindow, &main);
    GetWindowRect(dialog, &own);
    int left = main.left + ((main.right - main.left) - (own.right - own.left)) / 2;
    int top = main.top + ((main.bottom - main.top) - (own.bottom - own.top)) / 2;
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
