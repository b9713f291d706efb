// What the screen shows of the list view after the commands that change its
// look without listing the folder again: it must equal what a reload (F5),
// which lists everything afresh, then shows.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"

namespace {

// Six files with cached pictures in both views: large red tiles with their
// names below in the icon view, small green ones in the list view.
struct PicturedFolder {
    TempFolder folder;
    PicturedFolder() {
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt", L"e.txt", L"f.txt"}) {
            WriteText(folder / name, "x");
            WriteSolidIconFile(folder / (std::wstring(L"Zuv_CACHE\\") + name + L".Zuv.icon.ico"), 96, RGB(255, 0, 0));
            WriteSolidIconFile(folder / (std::wstring(L"Zuv_CACHE\\") + name + L".Zuv.list.ico"), 16, RGB(0, 255, 0));
        }
    }
};

BitmapPixels ShownListView() {
    RedrawWindow(mainWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessagesFor(200);
    return ScreenPixelsOfClient(listView);
}

int DifferingPixels(const BitmapPixels& a, const BitmapPixels& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) differing += (a.pixels[i] & 0xFFFFFF) != (b.pixels[i] & 0xFFFFFF);
    return differing;
}

}  // namespace

TEST(ListViewRedraw, AfterTheViewSizesOrThemeChangeTheListViewShowsWhatAReloadShows) {
    struct Case {
        const char* what;
        std::function<void(MainWindowHarness&)> change;
    } cases[] = {
        {"F6", [](MainWindowHarness& harness) { harness.PressKey(listView, VK_F6); }},
        {"values dialog",
         [](MainWindowHarness& harness) {
             DialogAnswerer answerer;
             DialogAnswer answer = DialogAnswer::Press(IDOK);
             answer.editTexts = {{IDC_VALUES_ICON_SIZE, L"48"}, {IDC_VALUES_ICON_SIZE_SMALL, L"16"}};
             answerer.Push(answer);
             SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0);
             harness.WaitForWorker();
         }},
        {"dark mode",
         [](MainWindowHarness& harness) {
             SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_DARK, 0);
             harness.WaitForWorker();
         }},
    };
    PicturedFolder fixture;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindowHarness harness;
        ASSERT_TRUE(harness.OpenListed(fixture.folder.path(),
                                       {{L"SystemSetting", L"iconSize", L"96"},
                                        {L"SystemSetting", L"iconSizeSmall", L"16"}}));
        ASSERT_TRUE(harness.WaitForWorker());
        SetWindowPos(mainWindow, HWND_TOP, 0, 0, 600, 400, SWP_NOMOVE);
        ShownListView();

        c.change(harness);
        BitmapPixels changed = ShownListView();
        harness.PressKey(listView, VK_F5);
        BitmapPixels reloaded = ShownListView();
        ASSERT_GT(reloaded.width, 0);
        EXPECT_EQ(DifferingPixels(changed, reloaded), 0) << "leftovers of the earlier look";
        harness.Close();
    }
}
