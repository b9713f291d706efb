// The worker that the real main window starts: pictures for every item of the
// start folder, the hidden list view relisted, the cache saved, and the next
// window taking its pictures from that cache.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/cache_files.h"

namespace {

const int kSize = 48;

class WorkerInMainWindow : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(folder / L"sub");
        ASSERT_TRUE(CopyFileW(MediaFixture(L"cover_red.png").c_str(), (folder / L"red.png").c_str(), FALSE));
        ASSERT_TRUE(WriteText(folder / L"notes.txt", "text"));
    }
    void TearDown() override { WriteTestSettings({}); }

    void Open(const wchar_t* autoSave) {
        WriteTestSettings({{L"SystemSetting", L"iconSize", std::to_wstring(kSize)},
                           {L"SystemSetting", L"cacheAutoSave", autoSave},
                           {L"SystemSetting", L"thumbnailWait", L"-1"}});
        ASSERT_NE(window.OpenInFolder(folder.path()), nullptr);
        ASSERT_TRUE(window.WaitForWorker());
    }

    TempFolder folder;
    MainWindowHarness window;
};

TEST_F(WorkerInMainWindow, StartFolderGetsOnePicturePerItemAndItsCache) {
    Open(L"ON");
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"sub", L"notes.txt", L"red.png"}));
    EXPECT_EQ(ImageList_GetImageCount(imageListLarge), 3);
    EXPECT_EQ(ImageListColour(imageListLarge, 2, kSize / 2, kSize / 2), RGB(255, 0, 0));
    EXPECT_EQ(ListViewNames(shadowListView), ListViewNames(listView));
    // Folders get no cache file; files get one for the icon view.
    EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE"),
              std::vector<std::wstring>({L"notes.txt.Zuv.icon.ico", L"red.png.Zuv.icon.ico"}));
    window.Close();

    // The next start reads the red picture back from the cache file, even
    // after the picture itself has changed.
    ASSERT_TRUE(CopyFileW(MediaFixture(L"cover_blue.png").c_str(), (folder / L"red.png").c_str(), FALSE));
    Open(L"OFF");
    EXPECT_EQ(ImageListColour(imageListLarge, 2, kSize / 2, kSize / 2), RGB(255, 0, 0));
}

TEST_F(WorkerInMainWindow, WithoutAutoSaveNoCacheFolderIsMade) {
    Open(L"OFF");
    EXPECT_EQ(ImageList_GetImageCount(imageListLarge), 3);
    EXPECT_FALSE(FolderExists(folder / L"Zuv_CACHE"));
}

}  // namespace
