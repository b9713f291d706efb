// Recycling where the recycle bin cannot take the file: the shell asks before
// it deletes anything for good, and a No keeps the file and counts as a
// failure. A program of its own, since the recycle bin is unusable meanwhile.
#include <windows.h>

#include <gtest/gtest.h>

#include "fileops/folder_helpers.h"
#include "fileops/selection_delete.h"
#include "support/dialog_answerer.h"
#include "support/file_operation_fixture.h"
#include "support/file_ledger.h"
#include "support/test_files.h"

namespace {

// A file where the bin's folder was leaves nowhere to put recycled files;
// the bin comes back at the end of the test.
class UnusableRecycleBin : public FileOperationTest {
protected:
    std::wstring bin = RecycleBinFolder();
    std::wstring away = bin + L".away";
    bool moved = false;

    void SetUp() override {
        if (bin.empty() || !FolderExists(bin)) GTEST_SKIP() << "the test run names no recycle bin folder";
        FileOperationTest::SetUp();
        ASSERT_TRUE(MoveFileW(bin.c_str(), away.c_str()));
        moved = true;
        WriteText(bin, "in the way");
    }
    void TearDown() override {
        if (!moved) return;
        DeleteFileW(bin.c_str());
        MoveFileW(away.c_str(), bin.c_str());
    }
};

}  // namespace

TEST_F(UnusableRecycleBin, AsksBeforeDeletingForGood) {
    TempFolder folder;
    std::wstring path = folder / L"precious.txt";
    std::string contents = ledger.Write(path);
    bool recycled;
    int deleted;
    {
        DialogAnswerer answerer;
        answerer.Push(DialogAnswer::Press(IDNO));
        answerer.Push(DialogAnswer::Press(IDNO));
        recycled = RecyclePath(path.c_str());
        deleted = DeletePath(path.c_str(), 1);
        EXPECT_EQ(answerer.records().size(), 2u) << "one question each time";
    }
    EXPECT_FALSE(recycled);
    EXPECT_EQ(deleted, 0);
    EXPECT_TRUE(FileExists(path)) << "nothing is deleted for good without a question";
    EXPECT_EQ(ledger.Lost({folder.path()}), std::vector<std::wstring>());
}

// Delete of selected items where nothing can be recycled: the shell's
// question belongs to the main window, and a No keeps the rest of that item.
TEST_F(UnusableRecycleBin, OneQuestionPerSelectedItemOwnedByTheMainWindow) {
    ASSERT_TRUE(MakeFolder(current + L"\\album\\sub"));
    for (const wchar_t* name : {L"album\\1.jpg", L"album\\2.jpg", L"album\\sub\\3.jpg", L"album\\sub\\4.jpg",
                                L"loose.txt"}) {
        ledger.Write(current + L"\\" + name);
    }
    Open();
    Select({L"album", L"loose.txt"});
    std::vector<DialogRecord> shown =
        Press(VK_DELETE, {DialogAnswer::Press(IDOK), DialogAnswer::Press(IDNO), DialogAnswer::Press(IDNO)});
    ASSERT_EQ(shown.size(), 3u) << "the confirmation, then one question for each selected item";
    for (size_t i = 1; i < shown.size(); ++i) EXPECT_EQ(shown[i].owner, mainWindow) << i;
    EXPECT_EQ(FolderEntries(current + L"\\album"), Names({L"1.jpg", L"2.jpg", L"sub"}));
    EXPECT_EQ(FolderEntries(current + L"\\album\\sub"), Names({L"3.jpg", L"4.jpg"}));
    EXPECT_TRUE(FileExists(current + L"\\loose.txt"));
    EXPECT_EQ(ListViewNames(listView), Names({L"album", L"loose.txt"}));
    ExpectNothingLost();
}
