// Dialog 103 over the real main window: its controls, its place, the focus
// and what each way of closing it leaves in inputText.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "shell/input_dialog.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/main_window_harness.h"
#include "support/open_main_window.h"
#include "support/test_files.h"

namespace {

class InputDialog : public OpenMainWindowTest {};

}  // namespace

TEST_F(InputDialog, ShowsAnEmptyEditCentredOverTheMainWindow) {
    // Off-centre on the desktop, so that centring shows.
    SetWindowPos(mainWindow, nullptr, 37, 53, 701, 433, SWP_NOZORDER);
    lstrcpyW(inputText, L"earlier");
    DialogAnswerer answerer;
    answerer.Push(DialogAnswer::Type(IDC_INPUT_EDIT, L"C:\\target"));
    RunInputDialog();
    ASSERT_EQ(answerer.records().size(), 1u);
    const DialogRecord& shown = answerer.records()[0];
    EXPECT_EQ(shown.caption, L"ディレクトリ");
    EXPECT_EQ(shown.TextOf(IDC_INPUT_EDIT), L"") << "the dialog does not show inputText";
    EXPECT_EQ(shown.focusedId, IDC_INPUT_EDIT);
    EXPECT_EQ(shown.TextOf(IDOK), L"OK");
    EXPECT_EQ(shown.TextOf(IDCANCEL), L"キャンセル");
    POINT corner = CentredOverMainWindow(shown.windowRect);
    EXPECT_EQ(shown.windowRect.left, corner.x);
    EXPECT_EQ(shown.windowRect.top, corner.y);
    EXPECT_EQ(std::wstring(inputText), L"C:\\target");
}

TEST_F(InputDialog, EveryWayOutButOkLeavesAnEmptyText) {
    struct Case {
        const char* name;
        DialogAnswer answer;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"OK", DialogAnswer::Type(IDC_INPUT_EDIT, L"sub"), L"sub"},
        {"OK on an empty edit", DialogAnswer::Type(IDC_INPUT_EDIT, L""), L""},
        {"Cancel", DialogAnswer::Type(IDC_INPUT_EDIT, L"typed", IDCANCEL), L""},
        {"Escape", DialogAnswer::Escape(), L""},
        {"close box", DialogAnswer::CloseBox(), L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lstrcpyW(inputText, L"left over");
        DialogAnswerer answerer;
        answerer.Push(c.answer);
        RunInputDialog();
        EXPECT_EQ(answerer.records().size(), 1u);
        EXPECT_EQ(std::wstring(inputText), c.text);
        EXPECT_FALSE(IsWindowEnabled(mainWindow) == FALSE) << "the owner is enabled again";
    }
}
