// The main window's key commands through the real window: which key with
// which modifiers and focus reaches which command, the new folder and new
// text file commands, the view toggle, the cache keys and the closing keys.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fileops/file_list_block.h"
#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/file_list_blocks.h"
#include "support/file_operation_fixture.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/window_driver.h"
#include "thumbnails/worker_params.h"

namespace {

const wchar_t kInputCaption[] = L"ディレクトリ";
const wchar_t kFileNameCaption[] = L"ファイル名";

class KeyCommands : public testing::Test {
protected:
    TempFolder root;
    MainWindowHarness harness;

    void Open(const std::vector<TestSetting>& settings = {}) { ASSERT_TRUE(harness.OpenListed(root.path(), settings)); }

    // A key pressed in `target` (the list view or the path box) with that
    // control focused; the worker it starts ends before the next step.
    void Press(HWND target, UINT key, bool shift = false, bool control = false) {
        harness.PressKey(target, key, shift, control);
    }

    void Press(UINT key, bool shift = false, bool control = false) { Press(listView, key, shift, control); }

    // A key whose dialog gets `answer`; the records of every dialog shown.
    std::vector<DialogRecord> Answer(UINT key, const DialogAnswer& answer) {
        DialogAnswerer answerer;
        answerer.Push(answer);
        Press(key);
        return answerer.records();
    }
};

}  // namespace

TEST_F(KeyCommands, DialogKeysByModifierAndFocus) {
    Open();
    struct Case {
        UINT key;
        bool shift;
        bool control;
        bool inPathBox;
        const wchar_t* caption;  // of the dialog the key opens, or null
    };
    const Case cases[] = {
        {'K', false, false, false, kInputCaption},
        {'K', false, true, false, kInputCaption},  // Ctrl+K acts as K
        {'K', true, false, true, nullptr},         // keys of the path box have no command
        {'L', true, false, false, kInputCaption},
        {'L', false, false, true, nullptr},
        {'E', false, false, false, kFileNameCaption},
        {'E', true, true, false, kFileNameCaption},
        {'E', false, false, true, nullptr},
        {'S', false, false, false, nullptr},  // S alone does nothing
        {'X', false, false, false, nullptr},
        {'V', false, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << static_cast<char>(c.key) << " shift " << c.shift << " ctrl "
                                        << c.control << " path box " << c.inPathBox);
        DialogAnswerer answerer;  // answers every dialog with Cancel
        Press(c.inPathBox ? pathEdit : listView, c.key, c.shift, c.control);
        if (c.caption) {
            ASSERT_EQ(answerer.records().size(), 1u);
            EXPECT_EQ(answerer.records()[0].caption, c.caption);
        } else {
            EXPECT_TRUE(answerer.records().empty());
        }
    }
}

TEST_F(KeyCommands, ViewToggleAndGenerationNumbers) {
    WriteText(root / L"a.txt", "a");
    WriteText(root / L"b.txt", "b");
    Open({{L"SystemSetting", L"iconSize", L"32"}, {L"SystemSetting", L"iconSizeSmall", L"16"}});
    EXPECT_EQ(workerParams.generation, 0);

    SetFocus(listView);
    SendKeyPress(listView, VK_F6);
    EXPECT_NE(workerThread, nullptr);
    EXPECT_EQ(workerParams.generation, 1) << "the first stop hands out 1";
    EXPECT_EQ(workerParams.fullRebuild, 1);
    EXPECT_EQ(iconView, 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(listView, GWL_STYLE)) & ~(WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | LVS_LIST));
    harness.WaitForWorker();
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"a.txt", L"b.txt"}));
    EXPECT_EQ(ImageList_GetImageCount(imageListSmall), 2) << "the new worker fills the list view's pictures";

    Press(VK_F6, true);  // Shift does not change F6
    EXPECT_EQ(iconView, 1);
    EXPECT_EQ(workerParams.generation, 2);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(listView, GWL_STYLE)) & LVS_TYPEMASK, static_cast<DWORD>(LVS_ICON));

    Press(pathEdit, VK_F6);
    EXPECT_EQ(iconView, 1) << "F6 in the path box does nothing";
    EXPECT_EQ(workerParams.generation, 2);

    Press(VK_F5);
    EXPECT_EQ(workerParams.generation, 3);
}

TEST_F(KeyCommands, NewFolderReselectsByNameAndReportsAFailure) {
    WriteText(root / L"b.txt", "b");
    WriteText(root / L"c.txt", "c");
    Open();
    ListViewFocusOnly(listView, 0);

    std::vector<DialogRecord> shown = Answer('K', DialogAnswer::Type(IDC_INPUT_EDIT, L"made"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(FolderExists(root / L"made"));
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"made", L"b.txt", L"c.txt"}));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({1})) << "the item focused before, found by its name";
    EXPECT_EQ(ListViewFocusedItem(listView), 1);
    EXPECT_EQ(workerParams.generation, 1);
    EXPECT_EQ(workerParams.fullRebuild, 0);

    // An existing name: the error, and still a new listing and a new worker.
    WriteText(root / L"late.txt", "late");
    shown = Answer('K', DialogAnswer::Type(IDC_INPUT_EDIT, L"made"));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].caption, L"Zuv");
    EXPECT_EQ(shown[1].message, L"フォルダの作成に失敗しました。");
    EXPECT_EQ(shown[1].icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"made", L"b.txt", L"c.txt", L"late.txt"}));
    EXPECT_EQ(workerParams.generation, 2);
    EXPECT_EQ(workerParams.fullRebuild, 0);

    // Cancelled, or OK on an empty edit: the worker is not touched.
    Answer('K', DialogAnswer::Press(IDCANCEL));
    Answer('K', DialogAnswer::Type(IDC_INPUT_EDIT, L""));
    EXPECT_EQ(workerParams.generation, 2);
    EXPECT_EQ(FolderEntries(root.path()), std::vector<std::wstring>({L"b.txt", L"c.txt", L"late.txt", L"made"}));
}

TEST_F(KeyCommands, NewTextFileProposesANameAndReportsItsFailures) {
    MakeFolder(root / L"photos");
    WriteText(root / L"report.docx", "docx");
    Open();

    ListViewFocusOnly(listView, ListViewIndexOf(listView, L"report.docx"));
    std::vector<DialogRecord> shown = Answer('E', DialogAnswer::Press(IDOK));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].TextOf(IDC_FILE_NAME_EDIT), L"report.txt");
    EXPECT_TRUE(FileExists(root / L"report.txt"));
    EXPECT_TRUE(ReadBytes(root / L"report.txt").empty());
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"photos", L"report.docx", L"report.txt"}));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({1})) << "the new file is not selected";
    EXPECT_EQ(workerParams.generation, 1);
    EXPECT_EQ(workerParams.fullRebuild, 0);

    // Cancelled: no file, and the worker runs again for the same folder.
    ListViewFocusOnly(listView, ListViewIndexOf(listView, L"photos"));
    shown = Answer('E', DialogAnswer::Press(IDCANCEL));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].TextOf(IDC_FILE_NAME_EDIT), L"photos.txt");
    EXPECT_FALSE(FileExists(root / L"photos.txt"));
    EXPECT_EQ(workerParams.generation, 2);
    EXPECT_NE(workerThread, nullptr);

    // The name exists: a warning and no new listing.
    WriteText(root / L"late.txt", "late");
    ListViewFocusOnly(listView, ListViewIndexOf(listView, L"report.docx"));
    shown = Answer('E', DialogAnswer::Press(IDOK));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].caption, L"Zuv");
    EXPECT_EQ(shown[1].message, L"そのファイルは既に存在します。");
    EXPECT_EQ(shown[1].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(ListViewIndexOf(listView, L"late.txt"), -1);
    EXPECT_EQ(workerParams.generation, 3);

    // The file cannot be made: a character the file system refuses.
    shown = Answer('E', DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"bad|name.txt"));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].message, L"ファイルの生成に失敗しました。");
    EXPECT_EQ(shown[1].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(workerParams.generation, 4);

    // In an empty folder the proposal is the previous input dialog's text.
    Answer('K', DialogAnswer::Type(IDC_INPUT_EDIT, L"seed"));
    SetWindowTextW(pathEdit, (root / L"seed").c_str());
    SetFocus(pathEdit);
    SendMessageW(mainWindow, WM_COMMAND, ID_KEY_RETURN, 0);
    harness.WaitForWorker();
    ASSERT_TRUE(ListViewNames(listView).empty());
    shown = Answer('E', DialogAnswer::Press(IDCANCEL));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].TextOf(IDC_FILE_NAME_EDIT), L"seed");
}

TEST_F(KeyCommands, CacheKeysSaveAndMakeTheFolderPicture) {
    WriteText(root / L"a.txt", "a");
    Open({{L"SystemSetting", L"iconSize", L"32"}});
    std::wstring cache = root / L"Zuv_CACHE";
    std::wstring picture = cache + L"\\Zuv_FOLDER.icon.ico";

    Press('S');
    EXPECT_FALSE(FolderExists(cache)) << "S alone does nothing";
    Press('S', false, true);
    EXPECT_TRUE(FileExists(cache + L"\\a.txt.Zuv.icon.ico"));
    RemoveTree(cache);

    // Right after F5 the new worker still waits for the list view.
    SetFocus(listView);
    SendKeyPress(listView, VK_F5);
    {
        DialogAnswerer answerer;
        SendKeyPress(listView, 'S', false, true);
        ASSERT_EQ(answerer.records().size(), 1u);
        EXPECT_EQ(answerer.records()[0].message, L"アイコン作成中です。");
        EXPECT_EQ(answerer.records()[0].icon, static_cast<UINT>(MB_ICONWARNING));
    }
    harness.WaitForWorker();
    EXPECT_FALSE(FolderExists(cache));

    ListViewFocusOnly(listView, 0);
    struct Case {
        UINT key;
        bool shift;
        bool inPathBox;
        bool makes;
    };
    const Case cases[] = {
        {'W', false, false, true},
        {VK_F12, false, false, true},
        {'W', true, false, true},
        {'W', false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " shift " << c.shift << " path box " << c.inPathBox);
        RemoveTree(cache);
        Press(c.inPathBox ? pathEdit : listView, c.key, c.shift);
        EXPECT_EQ(FileExists(picture), c.makes);
        EXPECT_TRUE(IsWindow(harness.window()));
    }
}

// Started on something that is not a folder, the window has no current
// folder: the commands that make or bring items do nothing, rather than
// work in the process's current folder or a drive's root.
TEST_F(KeyCommands, WithoutACurrentFolderNothingIsMadeOrBrought) {
    std::wstring work = root / L"work";
    std::wstring elsewhere = root / L"elsewhere";
    ASSERT_TRUE(MakeFolder(work));
    ASSERT_TRUE(MakeFolder(elsewhere));
    FileLedger ledger;
    std::wstring one = elsewhere + L"\\zuv_no_folder_one.txt";
    std::wstring two = elsewhere + L"\\zuv_no_folder_two.txt";
    ledger.Write(one);
    ledger.Write(two);
    WriteTestSettings({});
    ASSERT_TRUE(harness.OpenInFolder(root / L"missing"));
    harness.WaitForWorker();
    ASSERT_EQ(currentDir[0], L'\0');
    ASSERT_TRUE(SetCurrentDirectoryW(work.c_str()));
    wchar_t driveRoot[MAX_PATH] = L"";
    lstrcpynW(driveRoot, work.c_str(), MAX_PATH);
    PathStripToRootW(driveRoot);

    for (UINT key : {'K', 'E'}) {
        SCOPED_TRACE(static_cast<char>(key));
        DialogAnswerer answerer;
        answerer.Push(DialogAnswer::Type(key == 'K' ? IDC_INPUT_EDIT : IDC_FILE_NAME_EDIT, L"made"));
        Press(key);
        EXPECT_TRUE(answerer.records().empty()) << "no dialog";
    }
    ASSERT_TRUE(PutFileListOnClipboard(mainWindow, MakeFileListBlock({one})));
    {
        DialogAnswerer answerer;
        Press('V', false, true);
        EXPECT_TRUE(answerer.records().empty());
    }
    HDROP drop = DropBlockOf(MakeFileListBlock({two}));
    {
        DialogAnswerer answerer;
        SendMessageW(mainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        harness.WaitForWorker();
        EXPECT_TRUE(answerer.records().empty());
    }
    EXPECT_EQ(GlobalSize(drop), 0u) << "the drop is finished all the same";
    bool droppedOnRoot = FileExists(JoinPath(driveRoot, L"zuv_no_folder_two.txt"));
    if (droppedOnRoot) MoveFileW(JoinPath(driveRoot, L"zuv_no_folder_two.txt").c_str(), two.c_str());
    EXPECT_FALSE(droppedOnRoot) << "nothing moved to the drive's root";
    EXPECT_TRUE(FolderEntries(work).empty());
    EXPECT_EQ(ledger.Lost({elsewhere}), std::vector<std::wstring>());
}

TEST_F(KeyCommands, EscapeAndCtrlWCloseTheMainWindow) {
    enum How { kCtrlWInPathBox, kCtrlWInList, kEscapeAccelerator };
    for (How how : {kCtrlWInPathBox, kCtrlWInList, kEscapeAccelerator}) {
        SCOPED_TRACE(how);
        Open();
        HWND window = harness.window();
        switch (how) {
        case kCtrlWInPathBox:
            SetFocus(pathEdit);
            SendKeyPress(pathEdit, 'W', false, true);
            break;
        case kCtrlWInList:
            SetFocus(listView);
            SendKeyPress(listView, 'W', false, true);
            break;
        case kEscapeAccelerator:
            SendMessageW(window, WM_COMMAND, ID_KEY_ESCAPE, 0);
            break;
        }
        EXPECT_FALSE(IsWindow(window));
        harness.Close();
    }
}

namespace {

// The folder of a user who found the typed command letters changing the
// selection: names that the letters D, M and R find by type-ahead. Each case
// gets a fresh copy of it.
class CommandsOnTheSelection : public FileOperationTest {
protected:
    using Names = std::vector<std::wstring>;
    std::wstring folder;
    int cases = 0;

    void OpenFreshFolder() {
        harness.Close();
        folder = JoinPath(root.path(), L"case" + std::to_wstring(++cases));
        ASSERT_TRUE(MakeFolder(folder));
        ASSERT_TRUE(MakeFolder(JoinPath(folder, L"mdest")));
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"dsc1.txt", L"dsc2.txt", L"mem.txt", L"rest.txt", L"z.txt"}) {
            ledger.Write(JoinPath(folder, name));
        }
        Open(folder);
    }

    // The folder's names after `gone` left it and `made` came.
    static Names Expected(const Names& gone, const Names& made = {}) {
        Names left = made;
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"dsc1.txt", L"dsc2.txt", L"mdest", L"mem.txt", L"rest.txt",
                                    L"z.txt"}) {
            if (std::find(gone.begin(), gone.end(), name) == gone.end()) left.push_back(name);
        }
        std::sort(left.begin(), left.end());
        return left;
    }
};

}  // namespace

// Upper-case command letters typed on the keyboard: their character must not
// reach the list view's type-ahead while the command's dialog is open.
TEST_F(CommandsOnTheSelection, TypedCommandLettersActOnTheSelectedItems) {
    HeldKeys shift;
    shift.shift = true;
    HeldKeys capsLock;
    capsLock.capsLock = true;
    struct Case {
        const char* what;
        UINT key;
        HeldKeys held;
        const wchar_t* selected;
        DialogAnswer answer;
        Names made;     // in the folder
        Names arrived;  // in mdest
        bool forGood;
    };
    const Case cases[] = {
        {"Shift+D deletes for good", 'D', shift, L"b.txt", DialogAnswer::Press(IDOK), {}, {}, true},
        {"Caps Lock D recycles", 'D', capsLock, L"a.txt", DialogAnswer::Press(IDOK), {}, {}, false},
        {"Shift+M moves", 'M', shift, L"b.txt", DialogAnswer::Type(IDC_INPUT_EDIT, L"mdest"), {}, {L"b.txt"}, false},
        {"Shift+R renames", 'R', shift, L"b.txt", DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"b2.txt"), {L"b2.txt"}, {},
         false},
    };
    Names lostForGood;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFreshFolder();
        Select({c.selected});
        std::vector<DialogRecord> shown = Type(c.key, {c.answer}, c.held);
        ASSERT_EQ(shown.size(), 1u) << "one dialog, for the one item selected";
        if (c.key == 'R') {
            EXPECT_EQ(shown[0].caption, L"ファイル名 (1/1)");
        }
        EXPECT_EQ(FolderEntries(folder), Expected({c.selected}, c.made));
        EXPECT_EQ(FolderEntries(JoinPath(folder, L"mdest")), c.arrived);
        if (c.forGood) lostForGood.push_back(JoinPath(folder, c.selected));
        EXPECT_EQ(ledger.Lost({root.path()}), lostForGood);
    }
}

// An upper-case letter that is no command keeps its type-ahead.
TEST_F(CommandsOnTheSelection, TypedLettersThatAreNoCommandFindItems) {
    OpenFreshFolder();
    HeldKeys shift;
    shift.shift = true;
    Select({L"a.txt"});
    EXPECT_TRUE(Type('Z', {}, shift).empty());
    EXPECT_EQ(ListViewFocusedItem(listView), ListViewIndexOf(listView, L"z.txt"));
    EXPECT_EQ(FolderEntries(folder), Expected({}));
}

// A dialog of the command is open while the user changes the selection
// behind it: the command acts on what was selected when it was given.
TEST_F(CommandsOnTheSelection, CommandsTakeTheSelectionBeforeTheirFirstDialog) {
    auto selectOther = [this] { Select({L"z.txt"}); };
    struct Case {
        const char* what;
        UINT key;
        DialogAnswer answer;
        Names made;     // in the folder
        Names arrived;  // in mdest
    };
    const Case cases[] = {
        {"Delete", VK_DELETE, DialogAnswer::Press(IDOK), {}, {}},
        {"M", 'M', DialogAnswer::Type(IDC_INPUT_EDIT, L"mdest"), {}, {L"b.txt"}},
        {"C", 'C', DialogAnswer::Type(IDC_INPUT_EDIT, L"mdest"), {L"b.txt"}, {L"b.txt"}},
        {"Insert", VK_INSERT, DialogAnswer::PickFolder(L"mdest"), {}, {L"b.txt"}},
        {"R", 'R', DialogAnswer::Type(IDC_FILE_NAME_EDIT, L"b2.txt"), {L"b2.txt"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFreshFolder();
        Select({L"b.txt"});
        DialogAnswer answer = c.answer;
        if (!answer.folder.empty()) answer.folder = JoinPath(folder, answer.folder);
        std::vector<DialogRecord> shown = Press(c.key, {answer.Meanwhile(selectOther)});
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(FolderEntries(folder), Expected({L"b.txt"}, c.made));
        EXPECT_EQ(FolderEntries(JoinPath(folder, L"mdest")), c.arrived);
        ExpectNothingLost();
    }
}
