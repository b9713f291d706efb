// Copy and move of the selection through the real main window: C and M with
// a typed destination, Insert and Ctrl+Insert with the shell's folder
// browser, every question answered, and afterwards every byte in its place,
// its target or the recycle bin.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileops/selection_transfer.h"
#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/file_operation_fixture.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"
#include "thumbnails/cache_files.h"
#include "thumbnails/worker_params.h"

namespace {

const wchar_t kBadDestination[] = L"パス指定方法が間違っています。";
const wchar_t kCreateQuestion[] = L"指定されたフォルダが見つかりません。\n作成しますか？";

std::wstring Overwrite(const std::wstring& name) {
    return name + L"\n既に同じ名前のファイルが存在します。\n上書きしますか？";
}
std::wstring CopyFailed(const std::wstring& name) { return name + L" のコピーに失敗しました。"; }
std::wstring MoveFailed(const std::wstring& name) { return name + L" の移動に失敗しました。"; }

DialogAnswer Typed(const std::wstring& text) { return DialogAnswer::Type(IDC_INPUT_EDIT, text); }
DialogAnswer Yes() { return DialogAnswer::Press(IDYES); }
DialogAnswer No() { return DialogAnswer::Press(IDNO); }
DialogAnswer Cancel() { return DialogAnswer::Press(IDCANCEL); }
DialogAnswer Ok() { return DialogAnswer::Press(IDOK); }

using Shown = std::vector<std::pair<std::wstring, UINT>>;

class SelectionTransfer : public FileOperationTest {};

}  // namespace

TEST_F(SelectionTransfer, NothingSelectedDoesNothing) {
    ledger.Write(current + L"\\a.txt");
    Open();
    ListViewFocusOnly(listView, -1);
    std::vector<DialogRecord> shown = Press('C', {Typed(L"new")}, true);
    ASSERT_EQ(shown.size(), 1u) << "only the input dialog, Shift or not";
    EXPECT_EQ(shown[0].caption, L"ディレクトリ");
    EXPECT_EQ(Press('M', {Typed(L"new")}).size(), 1u);
    EXPECT_TRUE(Press(VK_INSERT).empty()) << "no folder browser";
    EXPECT_TRUE(Press(VK_INSERT, {}, false, true).empty());
    EXPECT_EQ(FolderEntries(root.path()), Names({L"current", L"dest"}));
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt"}));
}

TEST_F(SelectionTransfer, CurrentFolderInAnyFormIsABadDestination) {
    ledger.Write(current + L"\\a.txt");
    ASSERT_TRUE(MakeFolder(current + L"\\sub"));
    ledger.Write(current + L"\\sub\\inner.txt");
    Open();
    wchar_t shortPath[MAX_PATH] = L"";
    GetShortPathNameW(current.c_str(), shortPath, MAX_PATH);
    std::vector<std::wstring> forms = {L".", L".\\", L"..\\current", L"..\\CURRENT\\", current, current + L"\\",
                                       current + L"\\.\\", current + L"\\sub\\.."};
    for (wchar_t& c : forms[4]) c = static_cast<wchar_t>(towupper(c));
    if (shortPath[0]) forms.push_back(shortPath);
    // The same folder through Wine's drive of the whole file system.
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName =
        reinterpret_cast<UnixName>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (char* name = unixName ? unixName(current.c_str()) : nullptr) {
        std::wstring throughZ = L"Z:" + FromUtf8(name);
        for (wchar_t& c : throughZ) {
            if (c == L'/') c = L'\\';
        }
        forms.push_back(throughZ);
        HeapFree(GetProcessHeap(), 0, name);
    }
    for (const std::wstring& form : forms) {
        for (UINT key : {'C', 'M'}) {
            SCOPED_TRACE(ToUtf8(form) + (key == 'C' ? " copy" : " move"));
            Select({L"a.txt", L"sub"});
            std::vector<DialogRecord> shown = Press(key, {Typed(form), Ok()});
            EXPECT_EQ(Messages(shown), Shown({{kBadDestination, MB_ICONERROR}}));
        }
    }
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt", L"sub"}));
    EXPECT_EQ(ListViewNames(listView), Names({L"sub", L"a.txt"}));
    ExpectNothingLost();
}

TEST_F(SelectionTransfer, MissingTypedFolderIsCreatedOnlyAfterYes) {
    ledger.Write(current + L"\\a.txt");
    Open();
    Select({L"a.txt"});
    std::vector<DialogRecord> shown = Press('C', {Typed(L"made"), No(), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{kCreateQuestion, 0}, {kBadDestination, MB_ICONERROR}}));
    EXPECT_FALSE(FolderExists(current + L"\\made"));

    shown = Press('C', {Typed(L"made"), Yes()});
    EXPECT_EQ(Messages(shown), Shown({{kCreateQuestion, 0}}));
    EXPECT_EQ(ReadByteString(current + L"\\made\\a.txt"), ledger.ContentsOf(current + L"\\a.txt"));
    EXPECT_TRUE(FileExists(current + L"\\a.txt")) << "a copy leaves its source";
}

TEST_F(SelectionTransfer, CopyNameClashesAnsweredYesNoAndCancel) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"}) ledger.Write(current + L"\\" + name);
    std::string oldA = ledger.Write(dest + L"\\a.txt");
    std::string oldB = ledger.Write(dest + L"\\b.txt");
    ASSERT_TRUE(MakeFolder(dest + L"\\d.txt"));  // a folder where a file goes
    Open();
    Select({L"a.txt", L"b.txt", L"c.txt", L"d.txt"});
    std::vector<DialogRecord> shown = Press('C', {Typed(L"..\\dest"), Yes(), No(), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{Overwrite(L"a.txt"), MB_ICONWARNING},
                                         {Overwrite(L"b.txt"), MB_ICONWARNING},
                                         {CopyFailed(L"d.txt"), MB_ICONERROR}}));
    EXPECT_EQ(ReadByteString(dest + L"\\a.txt"), ledger.ContentsOf(current + L"\\a.txt"));
    EXPECT_TRUE(RecycleBinHolds(oldA)) << "the replaced file can be restored";
    EXPECT_EQ(ReadByteString(dest + L"\\b.txt"), oldB);
    EXPECT_EQ(ReadByteString(dest + L"\\c.txt"), ledger.ContentsOf(current + L"\\c.txt"));
    EXPECT_TRUE(FolderExists(dest + L"\\d.txt"));

    // Cancel ends the run before the items not yet visited.
    DeleteFileW((dest + L"\\c.txt").c_str());
    Select({L"b.txt", L"c.txt"});
    shown = Press('C', {Typed(dest), Cancel()});
    EXPECT_EQ(Messages(shown), Shown({{Overwrite(L"b.txt"), MB_ICONWARNING}}));
    EXPECT_FALSE(FileExists(dest + L"\\c.txt"));
    ExpectNothingLost();
}

// A file replaced at the destination loses its cache icons there, as does one
// replaced inside a merged folder: they showed the old file.
TEST_F(SelectionTransfer, AReplacedFileLosesItsCacheIcons) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    ledger.Write(current + L"\\a.txt");
    ASSERT_TRUE(MakeFolder(current + L"\\album"));
    ledger.Write(current + L"\\album\\b.txt");
    ledger.Write(dest + L"\\a.txt");
    ASSERT_TRUE(MakeFolder(dest + L"\\album"));
    ledger.Write(dest + L"\\album\\b.txt");
    for (const std::wstring& folder : {dest, dest + L"\\album"}) {
        const wchar_t* name = folder == dest ? L"a.txt" : L"b.txt";
        WriteSolidIconFile(folder + L"\\Zuv_CACHE\\" + name + L".Zuv.icon.ico", 32, RGB(200, 30, 40));
        WriteSolidIconFile(folder + L"\\Zuv_CACHE\\" + name + L".Zuv.list.ico", 16, RGB(200, 30, 40));
        WriteSolidIconFile(folder + L"\\Zuv_CACHE\\kept.txt.Zuv.icon.ico", 32, RGB(200, 30, 40));
    }
    Open();
    Select({L"album", L"a.txt"});
    std::vector<DialogRecord> shown = Press('C', {Typed(L"..\\dest"), Yes(), Yes()});
    EXPECT_EQ(Messages(shown), Shown({{Overwrite(L"album"), MB_ICONWARNING}, {Overwrite(L"a.txt"), MB_ICONWARNING}}));
    EXPECT_EQ(FolderEntries(dest + L"\\Zuv_CACHE"), Names({L"kept.txt.Zuv.icon.ico"}));
    EXPECT_EQ(FolderEntries(dest + L"\\album\\Zuv_CACHE"), Names({L"kept.txt.Zuv.icon.ico"}));
    EXPECT_EQ(ReadByteString(dest + L"\\a.txt"), ledger.ContentsOf(current + L"\\a.txt"));
    ExpectNothingLost();
}

TEST_F(SelectionTransfer, FolderOntoFolderMergesByTheAnswer) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    ASSERT_TRUE(MakeFolder(current + L"\\photos\\sub"));
    ledger.Write(current + L"\\photos\\same.jpg");
    ledger.Write(current + L"\\photos\\sub\\new.jpg");
    ASSERT_TRUE(MakeFolder(dest + L"\\photos"));
    std::string old = ledger.Write(dest + L"\\photos\\same.jpg");
    Open();

    // Typed copy, No: merged with overwrite 0.
    Select({L"photos"});
    Press('C', {Typed(dest), No()});
    EXPECT_EQ(ReadByteString(dest + L"\\photos\\same.jpg"), old);
    EXPECT_TRUE(FileExists(dest + L"\\photos\\sub\\new.jpg"));

    // Picked copy, No: the folder is skipped.
    RemoveTree(dest + L"\\photos\\sub");
    Select({L"photos"});
    std::vector<DialogRecord> shown = Press(VK_INSERT, {DialogAnswer::PickFolder(dest), No()}, false, true);
    EXPECT_EQ(Messages(shown), Shown({{Overwrite(L"photos"), MB_ICONWARNING}}));
    EXPECT_FALSE(FolderExists(dest + L"\\photos\\sub"));

    // Yes: merged with overwrite 1, the old file in the recycle bin.
    Select({L"photos"});
    Press(VK_INSERT, {DialogAnswer::PickFolder(dest), Yes()}, false, true);
    EXPECT_EQ(ReadByteString(dest + L"\\photos\\same.jpg"), ledger.ContentsOf(current + L"\\photos\\same.jpg"));
    EXPECT_TRUE(FileExists(dest + L"\\photos\\sub\\new.jpg"));
    EXPECT_TRUE(RecycleBinHolds(old));
    ExpectNothingLost();
}

TEST_F(SelectionTransfer, MoveTakesItemsAndTheirCacheFilesAway) {
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt", L"e.txt"}) {
        ledger.Write(current + L"\\" + name);
    }
    ASSERT_TRUE(MakeFolder(current + L"\\Zuv_CACHE"));
    wchar_t cacheA[MAX_PATH];
    wchar_t cacheB[MAX_PATH];
    ASSERT_TRUE(MakeItemCacheFilePath(cacheA, current.c_str(), L"b.txt", 1));
    ASSERT_TRUE(MakeItemCacheFilePath(cacheB, current.c_str(), L"b.txt", 0));
    WriteText(cacheA, "icon");
    WriteText(cacheB, "list");
    Open();
    Select({L"b.txt", L"c.txt", L"e.txt"});
    int generation = workerParams.generation;
    EXPECT_TRUE(Messages(Press('M', {Typed(L"..\\dest")}, false, true)).empty()) << "Ctrl+M acts as M";
    EXPECT_EQ(workerParams.generation, generation) << "the worker goes on";
    EXPECT_EQ(ListViewNames(listView), Names({L"a.txt", L"d.txt"}));
    EXPECT_EQ(FolderEntries(dest), Names({L"b.txt", L"c.txt", L"e.txt"}));
    EXPECT_FALSE(FileExists(cacheA));
    EXPECT_FALSE(FileExists(cacheB));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({1}))
        << "the item that moved up into the focused position";
    EXPECT_EQ(ListViewFocusedItem(listView), 1);
    ExpectNothingLost();
}

TEST_F(SelectionTransfer, MoveOntoAnExistingFileAndAFolderWithASystemSubfolder) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    ledger.Write(current + L"\\a.txt");
    std::string old = ledger.Write(dest + L"\\a.txt");
    ASSERT_TRUE(MakeFolder(current + L"\\album\\system"));
    ledger.Write(current + L"\\album\\one.jpg");
    ledger.Write(current + L"\\album\\system\\kept.jpg");
    ASSERT_TRUE(SetFileAttributesW((current + L"\\album\\system").c_str(), FILE_ATTRIBUTE_SYSTEM));
    Open();
    Select({L"a.txt", L"album"});
    // Folders come first in the list.
    std::vector<DialogRecord> shown = Press(VK_INSERT, {DialogAnswer::PickFolder(dest), Ok(), Yes()});
    EXPECT_EQ(Messages(shown), Shown({{MoveFailed(L"album"), MB_ICONERROR}, {Overwrite(L"a.txt"), MB_ICONWARNING}}));
    EXPECT_EQ(ReadByteString(dest + L"\\a.txt"), ledger.ContentsOf(current + L"\\a.txt"));
    EXPECT_TRUE(RecycleBinHolds(old));
    EXPECT_TRUE(FileExists(dest + L"\\album\\one.jpg"));
    EXPECT_TRUE(FileExists(current + L"\\album\\system\\kept.jpg"));
    EXPECT_EQ(ListViewNames(listView), Names({L"album"})) << "the folder that failed keeps its item";
    SetFileAttributesW((current + L"\\album\\system").c_str(), FILE_ATTRIBUTE_NORMAL);
    ExpectNothingLost();
}

TEST_F(SelectionTransfer, FolderIntoItsOwnSubfolderIsRefusedBeforeAnythingIsWritten) {
    ASSERT_TRUE(MakeFolder(current + L"\\sub\\inner"));
    ledger.Write(current + L"\\sub\\inner\\x.txt");
    ledger.Write(current + L"\\file.txt");
    Open();
    Select({L"sub", L"file.txt"});
    std::vector<DialogRecord> shown = Press('C', {Typed(L"sub\\inner"), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{CopyFailed(L"sub"), MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(current + L"\\sub\\inner"), Names({L"file.txt", L"x.txt"})) << "the file still goes";

    Select({L"sub"});
    shown = Press('M', {Typed(L"sub\\inner\\deeper"), Yes(), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{kCreateQuestion, 0}, {MoveFailed(L"sub"), MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(current + L"\\sub\\inner\\deeper"), Names());
    EXPECT_EQ(FolderEntries(current + L"\\sub\\inner"), Names({L"deeper", L"file.txt", L"x.txt"}));
    ExpectNothingLost();
}

// A destination that could not be made: nothing counts as moved, an empty
// folder (whose removal would succeed) included.
TEST_F(SelectionTransfer, NothingMovesToAFolderThatCouldNotBeMade) {
    ASSERT_TRUE(MakeFolder(current + L"\\empty"));
    ASSERT_TRUE(MakeFolder(current + L"\\full"));
    ledger.Write(current + L"\\full\\inside.txt");
    ledger.Write(current + L"\\a.txt");
    Open();
    Select({L"empty", L"full", L"a.txt"});
    std::vector<DialogRecord> shown = Press('M', {Typed(L"nothere\\deeper"), Yes(), Ok(), Ok(), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{kCreateQuestion, 0},
                                         {MoveFailed(L"empty"), MB_ICONERROR},
                                         {MoveFailed(L"full"), MB_ICONERROR},
                                         {MoveFailed(L"a.txt"), MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt", L"empty", L"full"}));
    EXPECT_EQ(ListViewNames(listView), Names({L"empty", L"full", L"a.txt"}));
    ExpectNothingLost();
}

// A folder holding a link to another folder (under Wine a Unix symbolic
// link): the copy leaves the link out and says so (and keeps no part copy),
// the move leaves what the link points to where it is.
TEST_F(SelectionTransfer, LinksInsideAFolderAreNotFollowed) {
    std::wstring outside = root / L"outside";
    ASSERT_TRUE(MakeFolder(outside));
    ledger.Write(outside + L"\\kept.txt");
    ASSERT_TRUE(MakeFolder(current + L"\\album"));
    ledger.Write(current + L"\\album\\photo.jpg");
    if (!MakeFolderLink(current + L"\\album\\link", outside)) GTEST_SKIP() << "no Unix symbolic link can be made here";
    ASSERT_TRUE(MakeFolderLink(current + L"\\shortcut", outside));
    Open();
    Select({L"album", L"shortcut"});
    std::vector<DialogRecord> shown = Press('C', {Typed(L"..\\dest"), Ok(), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{CopyFailed(L"album"), MB_ICONERROR}, {CopyFailed(L"shortcut"), MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(dest), Names()) << "the folder copy without its link is no whole copy";

    // Wine moves no link itself: the link stays, and its folder with it.
    Select({L"album", L"shortcut"});
    shown = Press('M', {Typed(L"..\\dest"), Ok(), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{MoveFailed(L"album"), MB_ICONERROR}, {MoveFailed(L"shortcut"), MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(current + L"\\album"), Names({L"link"}));
    EXPECT_EQ(FolderEntries(dest + L"\\album"), Names({L"photo.jpg"}));
    EXPECT_EQ(FolderEntries(outside), Names({L"kept.txt"}));
    EXPECT_EQ(FolderEntries(current), Names({L"album", L"shortcut"}));
    ExpectNothingLost();
}

// A folder copy that fails part way (a file inside is held open by another
// program) is reported, and the folder it made for the copy goes again; a
// merge into a folder that was there keeps what arrived.
TEST_F(SelectionTransfer, FolderCopiesThatFailPartWayAreReported) {
    ASSERT_TRUE(MakeFolder(current + L"\\album\\sub"));
    ledger.Write(current + L"\\album\\one.jpg");
    ledger.Write(current + L"\\album\\sub\\held.jpg");
    ledger.Write(current + L"\\album\\sub\\two.jpg");
    HANDLE held = CreateFileW((current + L"\\album\\sub\\held.jpg").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Open();
    Select({L"album"});
    std::vector<DialogRecord> shown = Press('C', {Typed(L"..\\dest"), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{CopyFailed(L"album"), MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(dest), Names()) << "no part copy of the folder";

    ASSERT_TRUE(MakeFolder(dest + L"\\album"));
    shown = Press('C', {Typed(L"..\\dest"), Yes(), Ok()});
    CloseHandle(held);
    EXPECT_EQ(Messages(shown), Shown({{Overwrite(L"album"), MB_ICONWARNING}, {CopyFailed(L"album"), MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(dest + L"\\album"), Names({L"one.jpg", L"sub"}));
    EXPECT_EQ(FolderEntries(dest + L"\\album\\sub"), Names({L"two.jpg"}));
    ExpectNothingLost();
}

TEST_F(SelectionTransfer, DriveSlotsAndOtherDrives) {
    ledger.Write(current + L"\\a.txt");
    Open();
    lstrcpyW(driveDirs[2], dest.c_str());
    Select({L"a.txt"});
    EXPECT_TRUE(Messages(Press('C', {Typed(L"c:")})).empty());
    EXPECT_TRUE(FileExists(dest + L"\\a.txt")) << "c: is the remembered folder of drive C";

    // No slot beyond I: the drive's root. An unknown drive has none.
    Select({L"a.txt"});
    std::vector<DialogRecord> shown = Press('C', {Typed(L"q:"), No(), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{kCreateQuestion, 0}, {kBadDestination, MB_ICONERROR}}));
    Select({L"a.txt"});
    shown = Press('C', {Typed(L"1:"), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{kBadDestination, MB_ICONERROR}}));

    std::wstring spare = SpareDriveRoot();
    if (spare.empty()) GTEST_SKIP() << "the test run has mapped no spare drive";
    std::wstring letter = spare.substr(0, 2);
    for (wchar_t& c : letter) c = static_cast<wchar_t>(towlower(c));
    Select({L"a.txt"});
    EXPECT_TRUE(Messages(Press('C', {Typed(letter)})).empty());
    EXPECT_TRUE(FileExists(spare + L"a.txt"));
    DeleteFileW((spare + L"a.txt").c_str());
}

TEST_F(SelectionTransfer, BrowserCancelledOrLeftOnTheCurrentFolder) {
    ledger.Write(current + L"\\a.txt");
    Open();
    Select({L"a.txt"});
    std::vector<DialogRecord> shown = Press(VK_INSERT, {Cancel()});
    ASSERT_EQ(shown.size(), 1u) << "the browser only, no message";
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt"}));

    // OK on the folder it opened on: the current folder.
    Select({L"a.txt"});
    shown = Press(VK_INSERT, {Ok(), Ok()});
    EXPECT_EQ(Messages(shown), Shown({{kBadDestination, MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt"}));
    EXPECT_EQ(browseSelectPending, 0);
}
