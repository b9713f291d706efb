// The worker's last renderers: every file that no earlier step draws ends as
// a text tile (no extension, a ".pdf" without the PDF step, an HTML page
// without a browser, bytes of any kind), and an HTML page with the browser
// bridge as the "chrome.exe" program shows its screenshot.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/worker_params.h"

namespace {

const int kSize = 64;

bool IsWhite(Pixel p) { return PixelColour(p) == RGB(255, 255, 255); }
bool IsDark(Pixel p) {
    COLORREF c = PixelColour(p);
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
}

// White, with dark pixels in its top rows and none in its bottom row.
::testing::AssertionResult IsTextTile(HIMAGELIST images, int index) {
    BitmapPixels pixels = ImageListPixels(images, index);
    if (pixels.width != kSize) return ::testing::AssertionFailure() << "no picture " << index;
    bool darkOnTop = false;
    for (int y = 0; y < 16 && !darkOnTop; ++y) {
        for (int x = 0; x < pixels.width; ++x) darkOnTop = darkOnTop || IsDark(pixels.at(x, y));
    }
    for (int x = 0; x < pixels.width; ++x) {
        if (!IsWhite(pixels.at(x, pixels.height - 1))) {
            return ::testing::AssertionFailure() << "picture " << index << " is not white at the bottom: "
                                                 << ColourText(pixels.at(x, pixels.height - 1));
        }
    }
    if (!darkOnTop) return ::testing::AssertionFailure() << "picture " << index << " has no text on top";
    return ::testing::AssertionSuccess();
}

std::wstring BrowserBridgeExe() { return JoinPath(BuildFolder(), L"tools\\browser_bridge.exe"); }

class WorkerTextSteps : public testing::Test {
protected:
    void SetUp() override {
        iconView = 1;
        workerParams.thumbnailWait = -1;
        workerParams.browserPath = browser;
        browser[0] = 0;
        host.SetFolder(folder.path());
    }
    void TearDown() override { workerParams.browserPath = browserPath; }

    TempFolder folder;
    WorkerHost host{kSize};
    wchar_t browser[MAX_PATH] = L"";
};

TEST_F(WorkerTextSteps, FilesNoEarlierStepDrawsBecomeTextTiles) {
    ASSERT_TRUE(WriteText(folder / L"README", "Zuv\nthumbnails\n"));
    ASSERT_TRUE(WriteText(folder / L"doc.pdf", "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n"));
    ASSERT_TRUE(WriteText(folder / L"page.html", "<html><body>hello</body></html>\n"));
    ASSERT_TRUE(WriteText(folder / L"nobrowser.htm", "<html><body>hello</body></html>\n"));
    ASSERT_TRUE(WriteBytes(folder / L"data.bin", {'M', 'Z', 0x90, 0, 3, 0, 0, 0, 0xFF, 0xFF, '\n', 'x'}));
    FillListView(host.list(), {L"README", L"doc.pdf", L"page.html", L"nobrowser.htm", L"data.bin"});
    // A browser setting that names no file skips the HTML step.
    lstrcpyW(browser, (folder / L"missing.exe").c_str());

    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 5);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(IsTextTile(host.images(), i));
}

TEST_F(WorkerTextSteps, HtmlPageThroughTheBrowserBridgeIsAFittedTile) {
    if (!FileExists(L"Z:\\usr\\bin\\chromium")) GTEST_SKIP() << "Debian's chromium is not installed";
    ASSERT_TRUE(WriteText(folder / L"green.html",
                          "<!DOCTYPE html><html><body style=\"margin:0;background:rgb(0,200,0)\"></body></html>\n"));
    FillListView(host.list(), {L"green.html"});
    lstrcpyW(browser, BrowserBridgeExe().c_str());

    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 1);
    EXPECT_EQ(ImageListColour(host.images(), 0, kSize / 2, kSize / 2), RGB(0, 200, 0));
    // A square screenshot fills the tile: no margin.
    EXPECT_FALSE(ImageListMaskBit(host.images(), 0, kSize / 2, 0));
}

// The real main window on a folder of every kind of file: only the file that
// cannot be opened is left without a picture of its own.
TEST(WorkerTextStepsInMainWindow, EveryReadableFileGetsAPicture) {
    TempFolder folder;
    ASSERT_TRUE(CopyFileW(MediaFixture(L"cover_red.png").c_str(), (folder / L"red.png").c_str(), FALSE));
    const char* kText = "何でも読めるファイルは\n最初の行を見せる\n";
    const std::pair<const wchar_t*, std::string> kFiles[] = {
        {L"notes.txt", kText},
        {L"README", "plain ASCII\n"},
        {L"doc.pdf", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"},
        {L"page.html", "<html><body>page</body></html>\n"},
        {L"broken.zip", "PK\x03\x04 not really an archive\n"},
        {L"archive.7z", "7z\xBC\xAF\x27\x1C not really\n"},
        {L"song.mp3", "ID3 no tag here\n"},
        {L"movie.mp4", "\x01\x01\x01\x18" "ftypmp42 no movie\n"},
        {L"letter.docx", "PK\x03\x04 no document\n"},
        {L"empty.dat", ""},
        {L"locked.txt", "cannot be read\n"},
    };
    for (const auto& file : kFiles) ASSERT_TRUE(WriteText(folder / file.first, file.second));
    HANDLE locked = CreateFileW((folder / L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);

    MainWindowHarness window;
    WriteTestSettings({{L"SystemSetting", L"iconSize", std::to_wstring(kSize)},
                       {L"SystemSetting", L"thumbnailWait", L"-1"}});
    ASSERT_NE(window.OpenInFolder(folder.path()), nullptr);
    ASSERT_TRUE(window.WaitForWorker());
    std::vector<std::wstring> names = ListViewNames(listView);
    ASSERT_EQ(ImageList_GetImageCount(imageListLarge), static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        if (names[i] == L"red.png") {
            EXPECT_EQ(ImageListColour(imageListLarge, static_cast<int>(i), kSize / 2, kSize / 2), RGB(255, 0, 0));
        } else if (names[i] == L"empty.dat") {
            // A white tile without text.
            BitmapPixels pixels = ImageListPixels(imageListLarge, static_cast<int>(i));
            ASSERT_EQ(pixels.width, kSize);
            for (Pixel p : pixels.pixels) ASSERT_TRUE(IsWhite(p));
        } else if (names[i] == L"locked.txt") {
            EXPECT_FALSE(IsTextTile(imageListLarge, static_cast<int>(i)));
        } else {
            EXPECT_TRUE(IsTextTile(imageListLarge, static_cast<int>(i)));
        }
    }
    window.Close();
    CloseHandle(locked);
    WriteTestSettings({});
}

}  // namespace
