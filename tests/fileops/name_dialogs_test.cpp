// The name dialogs on template 109. The new text file's name: the proposed
// name with its stem selected, centred over the main window, and what OK,
// Cancel, Escape and the close box leave in inputText. The rename run of R
// and F2: one dialog per selected item in list order with its running
// number, the item's time in the main window's title, the cache files
// following the new name, names that cannot be taken, and the relisting.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "fileops/name_dialogs.h"
#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/main_window_harness.h"
#include "support/open_main_window.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"
#include "support/worker_host.h"
#include "thumbnails/worker_params.h"

namespace {

// What dialog 109 shows when opened with `procedure`: its caption, the
// edit's text and the edit's selection.
struct ShownName {
    std::wstring caption;
    std::wstring text;
    DWORD start = 1;
    DWORD end = 0;
};

ShownName OpenNameDialog(DLGPROC procedure) {
    ShownName shown;
    HWND dialog =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FILE_NAME), mainWindow, procedure, 0);
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return shown;
    HWND edit = GetDlgItem(dialog, IDC_FILE_NAME_EDIT);
    shown.caption = WindowText(dialog);
    shown.text = WindowText(edit);
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&shown.start), reinterpret_cast<LPARAM>(&shown.end));
    DestroyWindow(dialog);
    return shown;
}

class NewFileNameDialog : public OpenMainWindowTest {
protected:
    HINSTANCE instance() const { return GetModuleHandleW(nullptr); }
};

// Sets an item's last-write time to a local time, minutes precise.
void SetLocalWriteTime(const std::wstring& path, WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME local = {};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    ASSERT_TRUE(::SetLocalWriteTime(path, local)) << ToUtf8(path);
}

class RenameRun : public testing::Test {
protected:
    TempFolder root;
    MainWindowHarness harness;

    // R (or another key) on the selected items; the records of the dialogs.
    std::vector<DialogRecord> Rename(const std::vector<DialogAnswer>& answers, UINT key = 'R') {
        DialogAnswerer answerer;
        for (const DialogAnswer& answer : answers) answerer.Push(answer);
        harness.PressKey(listView, key);
        EXPECT_EQ(answerer.pending(), 0u);
        return answerer.records();
    }
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
        ShownName shown = OpenNameDialog(NewFileNameDialogProc);
        EXPECT_EQ(shown.text, c.name);
        EXPECT_EQ(shown.start, 0u);
        EXPECT_EQ(shown.end, c.end);
        EXPECT_EQ(shown.caption, L"ファイル名");
    }
}

TEST_F(NewFileNameDialog, ANameWithAFolderPartKeepsTheDialogOpen) {
    lstrcpyW(inputText, L"photos.txt");
    DialogAnswerer answerer;
    const wchar_t* refused[] = {L"sub\\x.txt", L"sub/x.txt", L"..\\x.txt", L"C:x.txt", L"D:\\x.txt", L".", L".."};
    for (const wchar_t* name : refused) answerer.Push(DialogAnswer::Type(IDC_FILE_NAME_EDIT, name).StaysOpen());
    answerer.Push(DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"memo.txt"));
    DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_FILE_NAME), mainWindow, NewFileNameDialogProc, 0);
    EXPECT_EQ(answerer.records().size(), std::size(refused) + 1);
    EXPECT_EQ(answerer.pending(), 0u);
    EXPECT_EQ(std::wstring(inputText), L"memo.txt");
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

TEST_F(RenameRun, OneDialogPerSelectedItemWithItsNumberAndTime) {
    MakeFolder(root / L"docs");
    WriteText(root / L"a.txt", "a");
    WriteText(root / L"b.txt", "b");
    WriteText(root / L"c.txt", "c");
    SetLocalWriteTime(root / L"docs", 2023, 12, 31, 23, 59);
    SetLocalWriteTime(root / L"a.txt", 2024, 3, 5, 9, 7);
    SetLocalWriteTime(root / L"c.txt", 2024, 11, 20, 18, 30);
    ASSERT_TRUE(harness.OpenListed(root.path()));
    ASSERT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"docs", L"a.txt", L"b.txt", L"c.txt"}));

    // F2 on the folder, a.txt and c.txt: three dialogs in list order.
    SelectListViewItems(listView, {0, 1, 3});
    std::vector<DialogRecord> shown = Rename({DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"papers"),
                                              DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"z.txt"),
                                              DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"d.txt")},
                                             VK_F2);
    ASSERT_EQ(shown.size(), 3u);
    const wchar_t* captions[] = {L"ファイル名 (1/3)", L"ファイル名 (2/3)", L"ファイル名 (3/3)"};
    const wchar_t* titles[] = {L"docs 2023/12/31 23:59", L"a.txt 2024/03/05 09:07", L"c.txt 2024/11/20 18:30"};
    const wchar_t* names[] = {L"docs", L"a.txt", L"c.txt"};
    for (size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shown[i].caption, captions[i]);
        EXPECT_EQ(shown[i].ownerTitle, titles[i]);
        EXPECT_EQ(shown[i].TextOf(IDC_FILE_NAME_EDIT), names[i]);
        EXPECT_EQ(shown[i].focusedId, IDC_FILE_NAME_EDIT);
        POINT corner = CentredOverMainWindow(shown[i].windowRect);
        EXPECT_EQ(shown[i].windowRect.left, corner.x);
        EXPECT_EQ(shown[i].windowRect.top, corner.y);
    }
    EXPECT_EQ(FolderEntries(root.path()), std::vector<std::wstring>({L"b.txt", L"d.txt", L"papers", L"z.txt"}));
    EXPECT_EQ(ReadBytes(root / L"z.txt"), std::vector<unsigned char>({'a'}));
    EXPECT_EQ(workerParams.generation, 1);
    EXPECT_EQ(workerParams.fullRebuild, 0);
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"papers", L"b.txt", L"d.txt", L"z.txt"}));

    // R with the focus on the third item: Cancel in the second dialog leaves
    // the second and third names; the old position is selected again.
    ListViewFocusOnly(listView, 2);
    SelectListViewItems(listView, {1, 2, 3});
    shown = Rename({DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"a.txt"), DialogAnswer::Press(IDCANCEL)});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].caption, L"ファイル名 (2/3)");
    EXPECT_EQ(FolderEntries(root.path()), std::vector<std::wstring>({L"a.txt", L"d.txt", L"papers", L"z.txt"}));
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"papers", L"a.txt", L"d.txt", L"z.txt"}));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({2}));
    EXPECT_EQ(ListViewFocusedItem(listView), 2);
    EXPECT_EQ(workerParams.generation, 2);

    // Nothing selected: no dialog, and still the protocol.
    SelectListViewItems(listView, {});
    EXPECT_TRUE(Rename({}).empty());
    EXPECT_EQ(workerParams.generation, 3);
}

TEST_F(RenameRun, SelectsTheStemOfTheItemsName) {
    ASSERT_TRUE(harness.OpenListed(root.path()));
    struct Case {
        const wchar_t* name;
        DWORD end;  // the selection runs from 0 to here
    };
    const Case cases[] = {
        {L"report.final.docx", 12},
        {L"notes", 5},
        {L".hidden", 0},  // all extension: nothing selected, the caret at the start
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.name));
        renameIndex = 2;
        renameTotal = 5;
        lstrcpyW(inputText, (root / c.name).c_str());
        ShownName shown = OpenNameDialog(RenameDialogProc);
        EXPECT_EQ(shown.text, c.name);
        EXPECT_EQ(shown.start, 0u);
        EXPECT_EQ(shown.end, c.end);
        EXPECT_EQ(shown.caption, L"ファイル名 (2/5)");
        EXPECT_EQ(std::wstring(renameOldName), c.name);
        EXPECT_EQ(std::wstring(renameFolder), root.path());
    }
}

TEST_F(RenameRun, ANameThatCannotBeTakenKeepsTheDialogOpen) {
    WriteText(root / L"a.txt", "a");
    WriteText(root / L"b.txt", "b");
    ASSERT_TRUE(harness.OpenListed(root.path()));
    ListViewFocusOnly(listView, 0);
    // An existing name is never replaced; an empty one is refused too.
    std::vector<DialogRecord> shown = Rename({DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"b.txt").StaysOpen(),
                                              DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"B.TXT").StaysOpen(),
                                              DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"").StaysOpen(),
                                              DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"c.txt")});
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[1].TextOf(IDC_FILE_NAME_EDIT), L"b.txt") << "the typed text stays for correcting";
    EXPECT_EQ(FolderEntries(root.path()), std::vector<std::wstring>({L"b.txt", L"c.txt"}));
    EXPECT_EQ(ReadBytes(root / L"b.txt"), std::vector<unsigned char>({'b'}));
    EXPECT_EQ(ReadBytes(root / L"c.txt"), std::vector<unsigned char>({'a'}));
}

// The typed text is a name in the item's folder: a folder part, a drive or
// the folder itself beeps and keeps the dialog open, as a taken name does.
TEST_F(RenameRun, ANameWithAFolderPartIsRefused) {
    TempFolder outer;
    std::wstring folder = outer / L"browsed";
    ASSERT_TRUE(MakeFolder(folder + L"\\sub"));
    WriteText(folder + L"\\a.txt", "a");
    std::wstring cache = folder + L"\\Zuv_CACHE";
    WriteSolidIconFile(cache + L"\\a.txt.Zuv.icon.ico", 32, RGB(200, 30, 40));
    WriteSolidIconFile(cache + L"\\a.txt.Zuv.list.ico", 16, RGB(20, 160, 40));
    ASSERT_TRUE(harness.OpenListed(folder, {{L"SystemSetting", L"hideCache", L"ON"}}));
    ListViewFocusOnly(listView, ListViewIndexOf(listView, L"a.txt"));
    std::vector<DialogAnswer> answers;
    for (const wchar_t* name : {L"sub\\x.txt", L"sub/x.txt", L"..\\x.txt", L"C:x.txt", L"Z:\\x.txt", L".", L".."}) {
        answers.push_back(DialogAnswer::Type(IDC_FILE_NAME_EDIT, name).StaysOpen());
    }
    answers.push_back(DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"b.txt"));
    std::vector<DialogRecord> shown = Rename(answers);
    EXPECT_EQ(shown.size(), answers.size());
    EXPECT_EQ(FolderEntries(folder), std::vector<std::wstring>({L"Zuv_CACHE", L"b.txt", L"sub"}));
    EXPECT_TRUE(FolderEntries(folder + L"\\sub").empty());
    EXPECT_EQ(FolderEntries(outer.path()), std::vector<std::wstring>({L"browsed"}));
    EXPECT_EQ(FolderEntries(cache), std::vector<std::wstring>({L"b.txt.Zuv.icon.ico", L"b.txt.Zuv.list.ico"}));
}

TEST_F(RenameRun, CacheFilesFollowTheNewName) {
    WriteText(root / L"x.txt", "x");
    std::wstring cache = root / L"Zuv_CACHE";
    WriteSolidIconFile(cache + L"\\x.txt.Zuv.icon.ico", 32, RGB(200, 30, 40));
    WriteSolidIconFile(cache + L"\\x.txt.Zuv.list.ico", 16, RGB(20, 160, 40));
    ASSERT_TRUE(harness.OpenListed(root.path(), {{L"SystemSetting", L"iconSize", L"32"},
                                                 {L"SystemSetting", L"iconSizeSmall", L"16"},
                                                 {L"SystemSetting", L"hideCache", L"ON"}}));
    ListViewFocusOnly(listView, 0);
    Rename({DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"y.txt")});
    EXPECT_EQ(FolderEntries(cache), std::vector<std::wstring>({L"y.txt.Zuv.icon.ico", L"y.txt.Zuv.list.ico"}));
    ASSERT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"y.txt"}));
    EXPECT_EQ(ImageListColour(imageListLarge, 0, 16, 16), RGB(200, 30, 40)) << "the old picture, not rendered again";
}

// A stale cache icon under the new name (its file was deleted by another
// program) gives way to the item's own; a change of letter case alone keeps
// the item's icons.
TEST_F(RenameRun, TheItemsOwnIconsReplaceStaleOnesOfTheNewName) {
    const COLORREF own = RGB(200, 30, 40);
    const COLORREF stale = RGB(20, 40, 220);
    WriteText(root / L"a.txt", "a");
    std::wstring cache = root / L"Zuv_CACHE";
    WriteSolidIconFile(cache + L"\\a.txt.Zuv.icon.ico", 32, own);
    WriteSolidIconFile(cache + L"\\a.txt.Zuv.list.ico", 16, own);
    WriteSolidIconFile(cache + L"\\b.txt.Zuv.icon.ico", 32, stale);
    WriteSolidIconFile(cache + L"\\b.txt.Zuv.list.ico", 16, stale);
    ASSERT_TRUE(harness.OpenListed(root.path(), {{L"SystemSetting", L"iconSize", L"32"},
                                                 {L"SystemSetting", L"iconSizeSmall", L"16"},
                                                 {L"SystemSetting", L"hideCache", L"ON"}}));
    ListViewFocusOnly(listView, 0);
    Rename({DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"b.txt")});
    EXPECT_EQ(FolderEntries(cache), std::vector<std::wstring>({L"b.txt.Zuv.icon.ico", L"b.txt.Zuv.list.ico"}));
    ASSERT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"b.txt"}));
    EXPECT_EQ(ImageListColour(imageListLarge, 0, 16, 16), own);

    ListViewFocusOnly(listView, 0);
    Rename({DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"B.txt")});
    // Wine keeps the old letter case of a name that differs in case only.
    ASSERT_EQ(ListViewNames(listView).size(), 1u);
    EXPECT_EQ(_wcsicmp(ListViewNames(listView)[0].c_str(), L"b.txt"), 0);
    EXPECT_EQ(FolderEntries(cache).size(), 2u) << "the item's own icons, under either case";
    EXPECT_EQ(ImageListColour(imageListLarge, 0, 16, 16), own);
}
