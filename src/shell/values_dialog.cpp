#include "shell/values_dialog.h"

#include <stdlib.h>

#include "resources/resource.h"
#include "shell/input_dialog.h"
#include "shell/main_state.h"

namespace {

void SetBoxNumber(HWND dialog, int id, int value) {
    wchar_t text[16];
    wsprintfW(text, L"%d", value);
    SetDlgItemTextW(dialog, id, text);
}

// The box's number as _wtoi reads it; `empty` tells whether it held nothing.
int ReadBoxNumber(HWND dialog, int id, bool* empty) {
    wchar_t text[64] = L"";
    GetDlgItemTextW(dialog, id, text, 64);
    if (empty) *empty = text[0] == L'\0';
    return _wtoi(text);
}

bool IsThumbnailSize(int size) {
    return size >= kMinThumbnailSize && size <= kMaxThumbnailSize;
}

// Beeps and puts the focus, with its text selected, back into the box.
void RefuseBox(HWND dialog, int id) {
    MessageBeep(MB_ICONERROR);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

void OnValuesOk(HWND dialog) {
    int large = ReadBoxNumber(dialog, IDC_VALUES_ICON_SIZE, nullptr);
    int small = ReadBoxNumber(dialog, IDC_VALUES_ICON_SIZE_SMALL, nullptr);
    // Image lists and cache files cannot hold sizes outside this range.
    if (!IsThumbnailSize(large)) return RefuseBox(dialog, IDC_VALUES_ICON_SIZE);
    if (!IsThumbnailSize(small)) return RefuseBox(dialog, IDC_VALUES_ICON_SIZE_SMALL);
    bool empty = false;
    int wait = ReadBoxNumber(dialog, IDC_VALUES_THUMBNAIL_WAIT, &empty);
    valuesIconSize = large;
    valuesIconSizeSmall = small;
    valuesThumbnailWait = empty ? -1 : wait;
    SendMessageW(dialog, WM_CLOSE, 0, 0);
}

void OnValuesCancel(HWND dialog) {
    valuesThumbnailWait = -100;
    SendMessageW(dialog, WM_CLOSE, 0, 0);
}

INT_PTR CALLBACK ValuesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetBoxNumber(dialog, IDC_VALUES_ICON_SIZE, valuesIconSize);
        SetBoxNumber(dialog, IDC_VALUES_ICON_SIZE_SMALL, valuesIconSizeSmall);
        if (valuesThumbnailWait != -1) SetBoxNumber(dialog, IDC_VALUES_THUMBNAIL_WAIT, valuesThumbnailWait);
        CentreDialogOnMainWindow(dialog);
        return 0;
    case WM_COMMAND:
        if (wParam == IDOK) OnValuesOk(dialog);
        else if (wParam == IDCANCEL) OnValuesCancel(dialog);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) OnValuesCancel(dialog);
        return 0;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        return 1;
    }
    return 0;
}

}  // namespace

void RunValuesDialog(HWND owner) {
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_VALUES), owner, ValuesDialogProc, 0);
}
