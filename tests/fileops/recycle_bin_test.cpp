// Recycling where the recycle bin cannot take the file: the shell asks before
// it deletes anything for good, and a No keeps the file and counts as a
// failure. A program of its own, since the recycle bin is unusable meanwhile.
#include <windows.h>

#include <gtest/gtest.h>

#include "fileops/folder_helpers.h"
#include "fileops/selection_delete.h"
#include "support/dialog_answerer.h"
#include "support/file_ledger.h"
#include "support/test_files.h"

TEST(RecycleBin, UnusableBinAsksBeforeDeletingForGood) {
    std::wstring bin = RecycleBinFolder();
    if (bin.empty() || !FolderExists(bin)) GTEST_SKIP() << "the test run names no recycle bin folder";
    // A file where the bin's folder was leaves nowhere to put recycled files.
    std::wstring away = bin + L".away";
    ASSERT_TRUE(MoveFileW(bin.c_str(), away.c_str()));
    WriteText(bin, "in the way");

    TempFolder folder;
    FileLedger ledger;
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
    DeleteFileW(bin.c_str());
    MoveFileW(away.c_str(), bin.c_str());
    EXPECT_FALSE(recycled);
    EXPECT_EQ(deleted, 0);
    EXPECT_TRUE(FileExists(path)) << "nothing is deleted for good without a question";
    EXPECT_EQ(ledger.Lost({folder.path()}), std::vector<std::wstring>());
}
