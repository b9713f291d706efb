// The answerer itself: it must see message boxes and resource dialogs of
// this thread, record their texts and icon, and press what it is told.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "support/dialog_answerer.h"

namespace {

wchar_t typed[260];

INT_PTR CALLBACK EchoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            GetDlgItemTextW(dialog, IDC_INPUT_EDIT, typed, 260);
            EndDialog(dialog, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 77);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

TEST(DialogAnswerer, RecordsMessageBoxTextCaptionAndIcon) {
    struct Case {
        UINT flags;
        UINT icon;
        int press;
    } cases[] = {
        {MB_OK | MB_ICONERROR, MB_ICONERROR, IDOK},
        {MB_OK | MB_ICONWARNING, MB_ICONWARNING, IDOK},
        {MB_YESNO, 0, IDNO},
        {MB_YESNOCANCEL | MB_ICONQUESTION, MB_ICONQUESTION, IDCANCEL},
    };
    for (const Case& c : cases) {
        DialogAnswerer answerer;
        answerer.Push(DialogAnswer::Press(c.press));
        int result = MessageBoxW(nullptr, L"フォルダの作成に失敗しました。", L"Zuv", c.flags);
        EXPECT_EQ(result, c.press);
        ASSERT_EQ(answerer.records().size(), 1u);
        EXPECT_EQ(answerer.records()[0].caption, L"Zuv");
        EXPECT_EQ(answerer.records()[0].message, L"フォルダの作成に失敗しました。");
        EXPECT_EQ(answerer.records()[0].icon, c.icon);
    }
}

TEST(DialogAnswerer, FillsEditsAndPressesButtonsOfResourceDialogs) {
    DialogAnswerer answerer;
    answerer.Push(DialogAnswer::Type(IDC_INPUT_EDIT, L"C:\\写真"));
    typed[0] = 0;
    EXPECT_EQ(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUT), nullptr, EchoDialogProc, 0), IDOK);
    EXPECT_STREQ(typed, L"C:\\写真");
    ASSERT_EQ(answerer.records().size(), 1u);
    EXPECT_EQ(answerer.records()[0].caption, L"ディレクトリ");
    EXPECT_TRUE(answerer.records()[0].HasButton(IDCANCEL));
    EXPECT_EQ(answerer.records()[0].TextOf(IDCANCEL), L"キャンセル");

    answerer.Push(DialogAnswer::Escape());
    EXPECT_EQ(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUT), nullptr, EchoDialogProc, 0), IDCANCEL);
    answerer.Push(DialogAnswer::CloseBox());
    EXPECT_EQ(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUT), nullptr, EchoDialogProc, 0), 77);
}

TEST(DialogAnswerer, CancelsADialogNobodyExpected) {
    DialogAnswerer answerer;
    EXPECT_EQ(MessageBoxW(nullptr, L"?", L"Zuv", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxW(nullptr, L"!", L"Zuv", MB_OK), IDOK);
    EXPECT_EQ(answerer.records().size(), 2u);
}
