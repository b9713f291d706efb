// The new text file's name dialog (template 109): the proposed name with its
// stem selected, centred over the main window, and what OK, Cancel, Escape
// and the close box leave in inputText.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "fileops/name_dialogs.h"
#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/main_window_harness.h"
#include "support/open_main_window.h"
#include "support/test_files.h"

namespace {

class NewFileNameDialog : public OpenMainWindowTest {
protected:
    HINSTANCE instance() const { return GetModuleHandleW(nullptr); }
};

}  // namespace

TEST_F(NewFileNameDialog, SelectsTheStemOfTheProposedName) {
    struct Case {
        const wchar_t* name;
        DWORD end;  // the selection runs from 0 to here
    };
    const Case cases[] = {
        {L"report.final.txt", 12},
        {L"notes", 5},
        {L".txt", 0},  // a name that is all extension
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.name));
        lstrcpyW(inputText, c.name);
        HWND dialog = CreateDialogParamW(instance(), MAKEINTRESOURCEW(IDD_FILE_NAME), mainWindow,
                                         NewFileNameDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        HWND edit = GetDlgItem(dialog, IDC_FILE_NAME_EDIT);
        wchar_t text[MAX_PATH] = L"";
        GetWindowTextW(edit, text, MAX_PATH);
        EXPECT_EQ(std::wstring(text), c.name);
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, c.end);
        GetWindowTextW(dialog, text, MAX_PATH);
        EXPECT_EQ(std::wstring(text), L"ファイル名");
        DestroyWindow(dialog);
    }
}

TEST_F(NewFileNameDialog, AnswersInInputText) {
    SetWindowPos(mainWindow, nullptr, 41, 29, 655, 401, SWP_NOZORDER);
    struct Case {
        const char* name;
        DialogAnswer answer;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"OK unchanged", DialogAnswer::Press(IDOK), L"photos.txt"},
        {"OK edited", DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"memo.txt"), L"memo.txt"},
        {"Cancel", DialogAnswer::Press(IDCANCEL), L""},
        {"Escape", DialogAnswer::Escape(), L""},
        {"close box", DialogAnswer::CloseBox(), L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lstrcpyW(inputText, L"photos.txt");
        DialogAnswerer answerer;
        answerer.Push(c.answer);
        DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_FILE_NAME), mainWindow, NewFileNameDialogProc, 0);
        ASSERT_EQ(answerer.records().size(), 1u);
        const DialogRecord& shown = answerer.records()[0];
        EXPECT_EQ(shown.TextOf(IDC_FILE_NAME_EDIT), L"photos.txt");
        EXPECT_EQ(shown.focusedId, IDC_FILE_NAME_EDIT);
        POINT corner = CentredOverMainWindow(shown.windowRect);
        EXPECT_EQ(shown.windowRect.left, corner.x);
        EXPECT_EQ(shown.windowRect.top, corner.y);
        EXPECT_EQ(std::wstring(inputText), c.text);
    }
}
