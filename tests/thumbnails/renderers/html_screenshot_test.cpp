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
    ASSERT_TRUE(MakeScreenshotPath(shot, L"C:\\temp\\Zuv", L"C:\\a b\\page.htm", 12, 34, 5));
    EXPECT_STREQ(shot, L"C:\\temp\\Zuv\\page.12-34-5.png");
    wchar_t commandLine[4 * MAX_PATH + 64];
    MakeBrowserCommandLine(commandLine, 4 * MAX_PATH + 64, L"C:\\Browser\\b.exe", shot, L"C:\\a b\\page.htm");
    EXPECT_STREQ(commandLine,
                 L"\"C:\\Browser\\b.exe\" --headless --window-size=640,640 "
                 L"--screenshot=\"C:\\temp\\Zuv\\page.12-34-5.png\" \"C:\\a b\\page.htm\"");
}

TEST(HtmlScreenshotCommand, LongNamesAreCutToFit) {
    std::wstring page = L"C:\\" + std::wstring(250, L'n') + L".html";
    wchar_t shot[MAX_PATH];
    ASSERT_TRUE(MakeScreenshotPath(shot, L"C:\\users\\someone\\Temp\\Zuv", page.c_str(), 4000000000u, 7,
                                   2000000000));
    std::wstring made = shot;
    EXPECT_LT(made.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_EQ(made.substr(made.size() - 28), L".4000000000-7-2000000000.png");
    EXPECT_FALSE(MakeScreenshotPath(shot, (L"C:\\" + std::wstring(250, L'f')).c_str(), L"C:\\a.html", 1, 2, 3));
}

TEST_F(HtmlScreenshot, BrowserRunsInTheWorkFolderWithTheGivenCommandLine) {
    StandInLog log;
    std::wstring page = WritePage(L"a page.html", "red");
    std::wstring browser = StandInProgramExe();  // ends at once, writes no picture
    EXPECT_EQ(RenderHtmlScreenshot(browser.c_str(), page.c_str()), nullptr);
    ASSERT_TRUE(log.WaitForLines(L"cwd", 1));
    // The screenshot is named after the page, the process, the thread and
    // the call.
    std::wstring shot = JoinPath(WorkFolder(), L"a page." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                   std::to_wstring(GetCurrentThreadId()) + L"-");
    std::wstring args = log.LinesOf(L"args")[0].text;
    std::wstring head = L"\"" + browser + L"\" --headless --window-size=640,640 --screenshot=\"" + shot;
    std::wstring tail = L".png\" \"" + page + L"\"";
    ASSERT_GT(args.size(), head.size() + tail.size()) << ToUtf8(args);
    EXPECT_EQ(args.substr(0, head.size()), head);
    EXPECT_EQ(args.substr(args.size() - tail.size()), tail);
    std::wstring call = args.substr(head.size(), args.size() - head.size() - tail.size());
    EXPECT_EQ(call.find_first_not_of(L"0123456789"), std::wstring::npos) << ToUtf8(call);
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

// Files in the work folder whose names begin with `stem`: screenshots and
// whatever the browser keeps beside them.
std::vector<std::wstring> LeftFilesOf(const std::wstring& stem) {
    std::vector<std::wstring> left;
    for (const std::wstring& name : FolderEntries(WorkFolder())) {
        if (_wcsnicmp(name.c_str(), stem.c_str(), stem.size()) == 0) left.push_back(name);
    }
    return left;
}

std::string Names(const std::vector<std::wstring>& names) {
    std::string out;
    for (const std::wstring& name : names) out += ToUtf8(name) + " ";
    return out;
}

// A page that the browser is still busy with when the wait ends leaves
// nothing behind that a later page of the same name could pick up: the
// browser's whole run lies inside the wait, and each call has a screenshot
// of its own.
TEST_F(HtmlScreenshot, LatePageLeavesNothingForTheNextOfItsName) {
    if (!HaveChromium()) GTEST_SKIP() << "Debian's chromium is not installed";
    MakeFolder(folder / L"slow");
    MakeFolder(folder / L"quick");
    std::wstring slow = folder / L"slow\\late_page.html";
    // Busy for 7 s before the page has loaded, then red.
    WriteText(slow, "<!DOCTYPE html><html><body style=\"margin:0;background:rgb(255,0,0)\">"
                    "<script>var t = Date.now(); while (Date.now() - t < 7000) {}</script></body></html>\n");
    std::wstring quick = WritePage(L"quick\\late_page.html", "rgb(0,255,0)");
    std::wstring bridge = BrowserBridgeExe();
    EXPECT_EQ(RenderHtmlScreenshot(bridge.c_str(), slow.c_str()), nullptr);
    EXPECT_EQ(Names(LeftFilesOf(L"late_page")), "") << "left behind after the time-out";
    // The next page of that name, shot by the same thread, is its own; the
    // late page's browser, if it ran on, would write meanwhile.
    for (int i = 0; i < 2; ++i) {
        HBITMAP shot = RenderHtmlScreenshot(bridge.c_str(), quick.c_str());
        ASSERT_NE(shot, nullptr);
        EXPECT_TRUE(NearColour(PixelAt(shot, 320, 320), MakePixel(0, 255, 0), 2)) << ColourText(PixelAt(shot, 320, 320));
        DeleteObject(shot);
    }
    EXPECT_EQ(Names(LeftFilesOf(L"late_page")), "");
}

// Two workers (one abandoned) may shoot pages of the same name at once. The
// browser here writes the picture kept beside each page, so the two calls
// overlap whatever the machine's load; chromium itself is shot above.
TEST_F(HtmlScreenshot, PagesOfOneNameAtOnceKeepTheirOwnPictures) {
    MakeFolder(folder / L"a");
    MakeFolder(folder / L"b");
    std::wstring red = WritePage(L"a\\index.html", "rgb(255,0,0)");
    std::wstring blue = WritePage(L"b\\index.html", "rgb(0,0,255)");
    ASSERT_TRUE(CopyFileW(MediaFixture(L"cover_red.png").c_str(), (red + L".png").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(MediaFixture(L"cover_blue.png").c_str(), (blue + L".png").c_str(), FALSE));
    std::wstring browser = JoinPath(BuildFolder(), L"tools\\standin_painting_browser.exe");
    for (int round = 0; round < 3; ++round) {
        HBITMAP shots[2] = {};
        auto shoot = [&](int i, const std::wstring& page) {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for the image decoder, as on the worker
            shots[i] = RenderHtmlScreenshot(browser.c_str(), page.c_str());
            CoUninitialize();
        };
        std::thread first(shoot, 0, red);
        std::thread second(shoot, 1, blue);
        first.join();
        second.join();
        ASSERT_NE(shots[0], nullptr);
        ASSERT_NE(shots[1], nullptr);
        EXPECT_TRUE(NearColour(PixelAt(shots[0], 1, 1), MakePixel(255, 0, 0), 2)) << ColourText(PixelAt(shots[0], 1, 1));
        EXPECT_TRUE(NearColour(PixelAt(shots[1], 1, 1), MakePixel(0, 0, 255), 2)) << ColourText(PixelAt(shots[1], 1, 1));
        DeleteObject(shots[0]);
        DeleteObject(shots[1]);
        EXPECT_TRUE(LeftScreenshots().empty());
    }
}

}  // namespace
