// Delete, recycle and the trash folder through the real main window: Delete
// and D with and without Shift, Ctrl for the trash folder "Zuv_DUST" at the
// root of a spare drive, and afterwards every byte in its place, in the
// trash folder or in the recycle bin.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fileops/selection_delete.h"
#include "shell/main_state.h"
#include "support/file_operation_fixture.h"
#include "thumbnails/cache_files.h"
#include "thumbnails/worker_params.h"

namespace {

const wchar_t kConfirmRecycle[] = L"ファイルをゴミ箱に移動します。\nよろしいですか？";
const wchar_t kConfirmForGood[] = L"ファイルを完全に削除します。\nよろしいですか？";

std::wstring DeletionFailed(const std::wstring& name) { return name + L" の削除に失敗しました。\n処理を続けますか？"; }

using Shown = std::vector<std::pair<std::wstring, UINT>>;

DialogAnswer Ok() { return DialogAnswer::Press(IDOK); }
DialogAnswer Yes() { return DialogAnswer::Press(IDYES); }

class SelectionDelete : public FileOperationTest {};

// The main window on a folder of the spare drive, whose root holds the trash
// folder; both are removed afterwards.
class TrashFolder : public FileOperationTest {
protected:
    std::wstring spare = SpareDriveRoot();
    std::wstring trash = spare + L"Zuv_DUST";
    std::unique_ptr<TempFolder> onSpare;

    void SetUp() override {
        if (spare.empty()) GTEST_SKIP() << "the test run has mapped no spare drive to stand for a drive root";
        RemoveTree(trash);
        onSpare.reset(new TempFolder(spare));
        current = onSpare->path();
        ASSERT_TRUE(FolderExists(current));
    }
    void TearDown() override {
        if (spare.empty()) return;
        harness.Close();
        RemoveTree(trash);
    }
};

}  // namespace

TEST_F(SelectionDelete, ConfirmationByKeyAndNothingOnCancel) {
    ledger.Write(current + L"\\a.txt");
    Open();
    ListViewFocusOnly(listView, -1);
    EXPECT_TRUE(Press(VK_DELETE).empty()) << "nothing selected: no question";

    struct Case {
        UINT key;
        bool shift;
        const wchar_t* question;
    };
    const Case cases[] = {
        {VK_DELETE, false, kConfirmRecycle},
        {'D', false, kConfirmRecycle},
        {VK_DELETE, true, kConfirmForGood},
        {'D', true, kConfirmForGood},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " shift " << c.shift);
        Select({L"a.txt"});
        int generation = workerParams.generation;
        std::vector<DialogRecord> shown = Press(c.key, {DialogAnswer::Press(IDCANCEL)}, c.shift);
        EXPECT_EQ(Messages(shown), Shown({{c.question, MB_ICONWARNING}}));
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].HasButton(IDOK) && shown[0].HasButton(IDCANCEL));
        EXPECT_EQ(workerParams.generation, generation + 1) << "stopped and started again";
    }
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt"}));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({0}));
}

TEST_F(SelectionDelete, FilesToTheRecycleBinFoldersEmptiedIntoIt) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    ledger.Write(current + L"\\a.txt");
    ledger.Write(current + L"\\b.txt");
    ledger.Write(current + L"\\c.txt");
    ASSERT_TRUE(MakeFolder(current + L"\\album\\sub"));
    ledger.Write(current + L"\\album\\one.jpg");
    ledger.Write(current + L"\\album\\sub\\two.jpg");
    ASSERT_TRUE(MakeFolder(current + L"\\Zuv_CACHE"));
    wchar_t cache[MAX_PATH];
    ASSERT_TRUE(MakeItemCacheFilePath(cache, current.c_str(), L"b.txt", 1));
    WriteText(cache, "icon");
    Open();
    Select({L"album", L"b.txt"});
    std::vector<DialogRecord> shown = Press('D', {DialogAnswer::Press(IDOK)});
    EXPECT_EQ(Messages(shown), Shown({{kConfirmRecycle, MB_ICONWARNING}}));
    EXPECT_EQ(FolderEntries(current), Names({L"Zuv_CACHE", L"a.txt", L"c.txt"}));
    EXPECT_FALSE(FileExists(cache));
    EXPECT_TRUE(RecycleBinHolds(ledger.ContentsOf(current + L"\\b.txt")));
    EXPECT_TRUE(RecycleBinHolds(ledger.ContentsOf(current + L"\\album\\sub\\two.jpg")));
    EXPECT_EQ(ListViewNames(listView), Names({L"a.txt", L"c.txt"}));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({0})) << "the focused position, album being gone";
    ExpectNothingLost();
}

TEST_F(SelectionDelete, ForGoodDeletesFilesButStillRecyclesTheContentsOfFolders) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    std::string file = ledger.Write(current + L"\\a.txt");
    ASSERT_TRUE(MakeFolder(current + L"\\album"));
    std::string inFolder = ledger.Write(current + L"\\album\\one.jpg");
    Open();
    Select({L"a.txt", L"album"});
    Press(VK_DELETE, {DialogAnswer::Press(IDOK)}, true);
    EXPECT_EQ(FolderEntries(current), Names());
    EXPECT_FALSE(RecycleBinHolds(file)) << "deleted for good";
    EXPECT_TRUE(RecycleBinHolds(inFolder));
}

TEST_F(SelectionDelete, FileHeldOpenAsksWhetherToGoOn) {
    for (const wchar_t* name : {L"a.txt", L"held.txt", L"z.txt"}) ledger.Write(current + L"\\" + name);
    HANDLE held = CreateFileW((current + L"\\held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Open();

    // Yes goes on with the other items.
    Select({L"a.txt", L"held.txt", L"z.txt"});
    std::vector<DialogRecord> shown =
        Press(VK_DELETE, {DialogAnswer::Press(IDOK), DialogAnswer::Press(IDYES)}, true);
    EXPECT_EQ(Messages(shown),
              Shown({{kConfirmForGood, MB_ICONWARNING}, {DeletionFailed(L"held.txt"), MB_ICONWARNING}}));
    EXPECT_EQ(FolderEntries(current), Names({L"held.txt"}));

    // No ends the operation: the items after it stay.
    ledger.Write(current + L"\\zz.txt");
    harness.PressKey(listView, VK_F5);
    Select({L"held.txt", L"zz.txt"});
    shown = Press(VK_DELETE, {DialogAnswer::Press(IDOK), DialogAnswer::Press(IDNO)}, true);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].HasButton(IDYES) && shown[1].HasButton(IDNO));
    EXPECT_EQ(FolderEntries(current), Names({L"held.txt", L"zz.txt"}));
    CloseHandle(held);
    EXPECT_EQ(ReadByteString(current + L"\\held.txt"), ledger.ContentsOf(current + L"\\held.txt"));
}

TEST_F(SelectionDelete, VanishedFileCountsAsDeleted) {
    ledger.Write(current + L"\\a.txt");
    WriteText(current + L"\\gone.txt", "gone");
    Open();
    DeleteFileW((current + L"\\gone.txt").c_str());
    Select({L"gone.txt"});
    std::vector<DialogRecord> shown = Press(VK_DELETE, {DialogAnswer::Press(IDOK)});
    EXPECT_EQ(shown.size(), 1u) << "no failure question";
    EXPECT_EQ(ListViewNames(listView), Names({L"a.txt"}));
}

TEST_F(TrashFolder, NumberedNamesAndWholeFolders) {
    ASSERT_TRUE(MakeFolder(trash + L"\\album"));
    std::vector<std::wstring> taken = {L"photo.jpg", L"photo_01.jpg", L"notes", L"full.txt"};
    for (int n = 1; n <= 99; ++n) {
        wchar_t name[32];
        wsprintfW(name, L"full_%02d.txt", n);
        taken.push_back(name);
    }
    for (const std::wstring& name : taken) ledger.Write(trash + L"\\" + name);
    for (const wchar_t* name : {L"photo.jpg", L"notes", L"full.txt", L"keep.txt"}) {
        ledger.Write(current + L"\\" + name);
    }
    ASSERT_TRUE(MakeFolder(current + L"\\album"));
    ledger.Write(current + L"\\album\\inside.jpg");
    Open();
    Select({L"photo.jpg", L"notes", L"full.txt", L"album"});
    EXPECT_TRUE(Press(VK_DELETE, {}, false, true).empty()) << "no question, no message";

    EXPECT_EQ(ReadByteString(trash + L"\\photo_02.jpg"), ledger.ContentsOf(current + L"\\photo.jpg"));
    EXPECT_EQ(ReadByteString(trash + L"\\notes_01"), ledger.ContentsOf(current + L"\\notes"));
    EXPECT_EQ(ReadByteString(trash + L"\\album_01\\inside.jpg"), ledger.ContentsOf(current + L"\\album\\inside.jpg"));
    EXPECT_EQ(FolderEntries(current), Names({L"full.txt", L"keep.txt"})) << "all 99 numbers taken: it stays";
    EXPECT_EQ(ListViewNames(listView), Names({L"full.txt", L"keep.txt"}));
    ExpectNothingLost({trash, current});
}

TEST_F(TrashFolder, FromInsideTheTrashFolderAndOfItself) {
    ASSERT_TRUE(MakeFolder(trash));
    ledger.Write(trash + L"\\photo.jpg");
    ledger.Write(current + L"\\a.txt");
    Open(trash);
    Select({L"photo.jpg"});
    EXPECT_TRUE(Press('D', {}, false, true).empty());
    EXPECT_EQ(FolderEntries(trash), Names({L"photo_01.jpg"})) << "its own target: it takes its first free name";

    // At the drive's root the trash folder is listed; it cannot go into itself.
    harness.Close();
    Open(spare + L".");  // a trailing backslash would escape the closing quote
    Select({L"Zuv_DUST"});
    Press('D', {}, false, true);
    EXPECT_TRUE(FolderExists(trash));
    EXPECT_EQ(FolderEntries(trash), Names({L"photo_01.jpg"}));
    ExpectNothingLost({trash, current});
}

TEST(DeletePath, MissingPathCountsAsDeleted) {
    TempFolder folder;
    EXPECT_EQ(DeletePath((folder / L"missing.txt").c_str(), 1), 1);
    WriteText(folder / L"a.txt", "a");
    EXPECT_EQ(DeletePath((folder / L"a.txt").c_str(), 0), 1);
    EXPECT_FALSE(FileExists(folder / L"a.txt"));
}

// Under Wine a Unix symbolic link to a folder is a link entry: deleting a
// folder that holds one, or the link itself, never reaches what it points to.
TEST_F(SelectionDelete, LinksAreNeverFollowed) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    std::wstring outside = root / L"outside";
    ASSERT_TRUE(MakeFolder(outside));
    std::string kept = ledger.Write(outside + L"\\kept.txt");
    ASSERT_TRUE(MakeFolder(current + L"\\album"));
    std::string photo = ledger.Write(current + L"\\album\\photo.jpg");
    if (!MakeFolderLink(current + L"\\album\\link", outside)) GTEST_SKIP() << "no Unix symbolic link can be made here";
    ASSERT_TRUE(MakeFolderLink(current + L"\\shortcut", outside));
    for (bool shift : {false, true}) {
        SCOPED_TRACE(shift ? "for good" : "to the recycle bin");
        Open();
        Select({L"album", L"shortcut"});
        // Wine can remove no link itself: the link stays, and is reported.
        std::vector<DialogRecord> shown = Press('D', {Ok(), Yes()}, shift);
        EXPECT_EQ(Messages(shown), Shown({{shift ? kConfirmForGood : kConfirmRecycle, MB_ICONWARNING},
                                             {DeletionFailed(L"shortcut"), MB_ICONWARNING}}));
        EXPECT_EQ(FolderEntries(outside), Names({L"kept.txt"}));
        EXPECT_EQ(ReadByteString(outside + L"\\kept.txt"), kept);
        EXPECT_FALSE(RecycleBinHolds(kept));
        EXPECT_EQ(FolderEntries(current + L"\\album"), Names({L"link"}));
        EXPECT_TRUE(RecycleBinHolds(photo));
        harness.Close();
    }
    ExpectNothingLost();
}
