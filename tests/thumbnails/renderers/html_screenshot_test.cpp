// HTML screenshots: the browser's command line and folder, the time limit,
// and real pages through the browser bridge and Debian's chromium.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

#include "support/standin_log.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/renderers/html_screenshot.h"

namespace {

std::wstring WorkFolder() {
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    return JoinPath(temp, L"Zuv");
}

std::wstring BrowserBridgeExe() { return JoinPath(BuildFolder(), L"tools\\browser_bridge.exe"); }
std::wstring StandInBrowserExe() { return JoinPath(BuildFolder(), L"tools\\standin_browser.exe"); }

bool HaveChromium() { return FileExists(L"Z:\\usr\\bin\\chromium"); }

std::wstring CurrentFolder() {
    wchar_t folder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

// Screenshot files left in the work folder.
std::vector<std::wstring> LeftScreenshots() {
    std::vector<std::wstring> left;
    for (const std::wstring& name : FolderEntries(WorkFolder())) {
        if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".png") == 0) left.push_back(name);
    }
    return left;
}

class HtmlScreenshot : public testing::Test {
protected:
    void SetUp() override { saved = CurrentFolder(); }
    void TearDown() override { SetCurrentDirectoryW(saved.c_str()); }

    std::wstring WritePage(const std::wstring& name, const char* colour) {
        std::wstring path = folder / name;
        WriteText(path, std::string("<!DOCTYPE html><html><body style=\"margin:0;background:") + colour +
                            "\"></body></html>\n");
        return path;
    }

    TempFolder folder;
    std::wstring saved;
};

TEST(HtmlScreenshotCommand, QuotesEveryPath) {
    wchar_t shot[MAX_PATH];
    ASSERT_TRUE(MakeScreenshotPath(shot, L"C:\\temp\\Zuv", L"C:\\a b\\page.htm", 12, 34));
    EXPECT_STREQ(shot, L"C:\\temp\\Zuv\\page.12-34.png");
    wchar_t commandLine[4 * MAX_PATH + 64];
    MakeBrowserCommandLine(commandLine, 4 * MAX_PATH + 64, L"C:\\Browser\\b.exe", shot, L"C:\\a b\\page.htm");
    EXPECT_STREQ(commandLine,
                 L"\"C:\\Browser\\b.exe\" --headless --window-size=640,640 "
                 L"--screenshot=\"C:\\temp\\Zuv\\page.12-34.png\" \"C:\\a b\\page.htm\"");
}

TEST(HtmlScreenshotCommand, LongNamesAreCutToFit) {
    std::wstring page = L"C:\\" + std::wstring(250, L'n') + L".html";
    wchar_t shot[MAX_PATH];
    ASSERT_TRUE(MakeScreenshotPath(shot, L"C:\\users\\someone\\Temp\\Zuv", page.c_str(), 4000000000u, 7));
    std::wstring made = shot;
    EXPECT_LT(made.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_EQ(made.substr(made.size() - 17), L".4000000000-7.png");
    EXPECT_FALSE(MakeScreenshotPath(shot, (L"C:\\" + std::wstring(250, L'f')).c_str(), L"C:\\a.html", 1, 2));
}

TEST_F(HtmlScreenshot, BrowserRunsInTheWorkFolderWithTheGivenCommandLine) {
    StandInLog log;
    std::wstring page = WritePage(L"a page.html", "red");
    std::wstring browser = StandInProgramExe();  // ends at once, writes no picture
    EXPECT_EQ(RenderHtmlScreenshot(browser.c_str(), page.c_str()), nullptr);
    ASSERT_TRUE(log.WaitForLines(L"cwd", 1));
    wchar_t shot[MAX_PATH];
    ASSERT_TRUE(MakeScreenshotPath(shot, WorkFolder().c_str(), page.c_str(), GetCurrentProcessId(),
                                   GetCurrentThreadId()));
    EXPECT_EQ(log.LinesOf(L"args")[0].text, L"\"" + browser + L"\" --headless --window-size=640,640 --screenshot=\"" +
                                                std::wstring(shot) + L"\" \"" + page + L"\"");
    EXPECT_EQ(_wcsicmp(log.LinesOf(L"cwd")[0].text.c_str(), WorkFolder().c_str()), 0);
    EXPECT_EQ(_wcsicmp(CurrentFolder().c_str(), WorkFolder().c_str()), 0);
}

TEST_F(HtmlScreenshot, BrowserThatCannotStartGivesNone) {
    std::wstring page = WritePage(L"p.html", "red");
    EXPECT_EQ(RenderHtmlScreenshot((folder / L"no browser.exe").c_str(), page.c_str()), nullptr);
}

TEST_F(HtmlScreenshot, HangingBrowserIsEndedAfterFiveSeconds) {
    StandInLog log;
    std::wstring page = WritePage(L"slow.html", "red");
    DWORD start = GetTickCount();
    EXPECT_EQ(RenderHtmlScreenshot(StandInBrowserExe().c_str(), page.c_str()), nullptr);
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, kBrowserWaitMs - 50);
    EXPECT_LT(took, kBrowserWaitMs + 2500);
    EXPECT_EQ(log.LinesOf(L"args").size(), 1u);
}

TEST_F(HtmlScreenshot, PageOfOneColourThroughChromium) {
    if (!HaveChromium()) GTEST_SKIP() << "Debian's chromium is not installed";
    // Blanks, quotes and Japanese in the names reach chromium intact.
    MakeFolder(folder / L"a b's");
    std::wstring page = WritePage(L"a b's\\青い ページ.html", "rgb(0,128,255)");
    HBITMAP shot = RenderHtmlScreenshot(BrowserBridgeExe().c_str(), page.c_str());
    ASSERT_NE(shot, nullptr);
    SIZE size = BitmapSize(shot);
    EXPECT_EQ(size.cx, 640);
    EXPECT_EQ(size.cy, 640);
    EXPECT_TRUE(NearColour(PixelAt(shot, 320, 320), MakePixel(0, 128, 255), 2)) << ColourText(PixelAt(shot, 320, 320));
    EXPECT_TRUE(NearColour(PixelAt(shot, 639, 639), MakePixel(0, 128, 255), 2));
    DeleteObject(shot);
    EXPECT_TRUE(LeftScreenshots().empty());
}

// Two workers (one abandoned) may shoot pages of the same name at once.
TEST_F(HtmlScreenshot, PagesOfOneNameAtOnceKeepTheirOwnPictures) {
    if (!HaveChromium()) GTEST_SKIP() << "Debian's chromium is not installed";
    MakeFolder(folder / L"a");
    MakeFolder(folder / L"b");
    std::wstring red = WritePage(L"a\\index.html", "rgb(255,0,0)");
    std::wstring green = WritePage(L"b\\index.html", "rgb(0,255,0)");
    std::wstring bridge = BrowserBridgeExe();
    HBITMAP shots[2] = {};
    auto shoot = [&](int i, const std::wstring& page) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for the image decoder, as on the worker
        shots[i] = RenderHtmlScreenshot(bridge.c_str(), page.c_str());
        CoUninitialize();
    };
    std::thread first(shoot, 0, red);
    std::thread second(shoot, 1, green);
    first.join();
    second.join();
    ASSERT_NE(shots[0], nullptr);
    ASSERT_NE(shots[1], nullptr);
    EXPECT_TRUE(NearColour(PixelAt(shots[0], 320, 320), MakePixel(255, 0, 0), 2)) << ColourText(PixelAt(shots[0], 320, 320));
    EXPECT_TRUE(NearColour(PixelAt(shots[1], 320, 320), MakePixel(0, 255, 0), 2)) << ColourText(PixelAt(shots[1], 320, 320));
    DeleteObject(shots[0]);
    DeleteObject(shots[1]);
    EXPECT_TRUE(LeftScreenshots().empty());
}

}  // namespace
