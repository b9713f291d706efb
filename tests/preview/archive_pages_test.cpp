// Archive pages: the ZIP entry filter and the page clamp as tables, ZIP
// pages written by the tests, and the archiver's formats through the
// stand-in console archiver.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "preview/archive_pages.h"
#include "shell/main_state.h"
#include "support/archive_files.h"
#include "support/child_program.h"
#include "support/docx_files.h"
#include "support/font_files.h"
#include "support/preview_window.h"
#include "support/standin_log.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/worker_params.h"

namespace {

TEST(ArchivePageRules, DisplayableZipEntries) {
    struct Case {
        const char* name;
        uint64_t size;
        bool shown;
    } cases[] = {
        {"c.png", 10, true},
        {"pics/c.png", 100, true},
        {"pics/", 0, false},
        {"a/", 0, true},            // one character and "/" is no folder
        {"pics/big.png", 101, false},
        {"pics/x.ZIP", 1, false},
        {"x.7z", 1, false},
        {"x.rar", 1, false},
        {"x.cab", 1, false},
        {"x.lzh", 1, false},
        {"movie.SWF", 1, false},
        {"zip/notes.txt", 1, true},  // the folder's name does not count
        {"noextension", 1, true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsDisplayableZipEntry(c.name, c.size, 100), c.shown) << c.name;
    EXPECT_FALSE(IsDisplayableZipEntry("c.png", 1, -1));
}

TEST(ArchivePageRules, PageIsClampedToWhatWasCounted) {
    const int cases[][3] = {{0, 1, 0}, {1, 1, 0}, {5, 1, 0}, {-3, 2, 0}, {1, 3, 1}, {7, 3, 2}, {0, 0, -1}, {4, 0, -1}};
    for (const auto& c : cases) EXPECT_EQ(ClampPreviewPage(c[0], c[1]), c[2]) << c[0] << " of " << c[1];
}

class ArchivePages : public testing::Test {
protected:
    TempFolder folder;
    TWorkerParams params = {};
    HBITMAP slot = nullptr;
    int page = 0;

    void SetUp() override {
        params.iconSize = 96;
        params.fontSize = 12;
        params.maxBytes = 1 << 20;
        params.fontStrJp = L"あ";
        params.fontStrEn = L"Aa";
        params.fontTextJp = L"あいう";
        params.fontTextEn = L"The quick brown fox";
        archiver = StandInArchiverExe();
        params.sevenZipPath = archiver.c_str();
    }
    void TearDown() override {
        if (slot) DeleteObject(slot);
    }
    std::wstring Zip(const std::wstring& name, const ZipEntries& entries) {
        std::wstring path = folder / name;
        WriteBytes(path, ZipBytes(entries));
        return path;
    }
    std::wstring archiver;
};

TEST_F(ArchivePages, ZipCountsOnlyDisplayableEntries) {
    std::wstring zip = Zip(L"a.zip", {{"pics/", ""}, {"pics/x.txt", std::string((1 << 20) + 1, 'x')},
                                      {"b.zip", "PK"}, {"c.png", ReadByteString(MediaFixture(L"cover_red.png"))}});
    for (int start : {0, 1, 5}) {
        page = start;
        LoadZipPreviewPage(zip.c_str(), &params, &slot, &page);
        ASSERT_NE(slot, nullptr) << start;
        EXPECT_TRUE(NearColour(PixelAt(slot, 1, 1), MakePixel(255, 0, 0), 0)) << start;
        EXPECT_EQ(page, 0) << start;
    }
}

TEST_F(ArchivePages, ZipWithoutAPictureAtThePage) {
    slot = MakeSolidBitmap(2, 2, MakePixel(1, 2, 3));
    page = 3;
    LoadZipPreviewPage(Zip(L"folders.zip", {{"pics/", ""}, {"more/", ""}}).c_str(), &params, &slot, &page);
    EXPECT_EQ(slot, nullptr);  // the old picture is gone
    EXPECT_EQ(page, -1);
    page = -1;
    LoadZipPreviewPage(Zip(L"text.zip", {{"a.txt", "text"}, {"c.png", ReadByteString(MediaFixture(L"cover_red.png"))}})
                           .c_str(), &params, &slot, &page);
    EXPECT_EQ(slot, nullptr);  // no later entry is tried
    EXPECT_EQ(page, 0);
    LoadZipPreviewPage((folder / L"missing.zip").c_str(), &params, &slot, &page);
    EXPECT_EQ(slot, nullptr);
}

TEST_F(ArchivePages, ZipFontShowsAtIconSize) {
    std::wstring zip = Zip(L"f.zip", {{"fonts/sans.ttf", ReadByteString(FontFixture(L"sans.ttf"))}});
    LoadZipPreviewPage(zip.c_str(), &params, &slot, &page);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(BitmapSize(slot).cx, 96);
    EXPECT_EQ(BitmapSize(slot).cy, 96);
}

TEST_F(ArchivePages, ArchiverPagesTryEntriesFromThePageOn) {
    if (!FileExists(archiver)) GTEST_SKIP() << "the stand-in archiver was not built";
    TestPreviewWindow preview(200, 150);
    StandInLog log;
    // A folder is listed with size 0 and never extracted.
    std::wstring archive = Zip(L"a.7z", {{"a.txt", "text"}, {"pics/", ""}, {"inner.zip", "PK"},
                                         {"pic.jpg", ReadByteString(MediaFixture(L"halves.jpg"))}});
    page = 1;
    LoadArchivePreviewPage(archive.c_str(), &params, &slot, preview.window(), &page);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(BitmapSize(slot).cx, 12);
    EXPECT_EQ(page, 1);
    std::vector<StandInLine> extracted = log.LinesOf(L"extract");
    ASSERT_EQ(extracted.size(), 2u);
    EXPECT_EQ(extracted[0].text, L"inner.zip");
    EXPECT_EQ(extracted[1].text, L"pic.jpg");
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring work = JoinPath(temp, L"Zuv");
    EXPECT_TRUE(FileExists(JoinPath(work, L"inner.zip")));  // passed over, left
    EXPECT_FALSE(FileExists(JoinPath(work, L"pic.jpg")));
    EXPECT_FALSE(FileExists(JoinPath(work, L"Zuv.txt")));
    DeleteFileW(JoinPath(work, L"inner.zip").c_str());

    // Page 7 of four entries is written back as the last.
    DeleteObject(slot);
    slot = nullptr;
    page = 7;
    LoadArchivePreviewPage(archive.c_str(), &params, &slot, preview.window(), &page);
    EXPECT_EQ(page, 3);
    EXPECT_NE(slot, nullptr);
    DeleteFileW(JoinPath(work, L"inner.zip").c_str());
}

TEST_F(ArchivePages, ArchiverFontsShowAtTheClientSizeAndBigEntriesAreNeverExtracted) {
    if (!FileExists(archiver)) GTEST_SKIP() << "the stand-in archiver was not built";
    TestPreviewWindow preview(200, 150);
    StandInLog log;
    // The picture would decode, but it is larger than the limit.
    std::wstring archive = Zip(L"f.cab", {{"big.png", ReadByteString(MediaFixture(L"size_300x200.png")) +
                                                          std::string(2 << 20, '\0')},
                                          {"sans.ttf", ReadByteString(FontFixture(L"sans.ttf"))}});
    LoadArchivePreviewPage(archive.c_str(), &params, &slot, preview.window(), &page);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(BitmapSize(slot).cx, 200);
    EXPECT_EQ(BitmapSize(slot).cy, 150);
    std::vector<StandInLine> extracted = log.LinesOf(L"extract");
    ASSERT_EQ(extracted.size(), 1u);
    EXPECT_EQ(extracted[0].text, L"sans.ttf");
}

TEST_F(ArchivePages, ListedNamesOutsideTheWorkFolderAreNeitherReadNorDeleted) {
    if (!FileExists(archiver)) GTEST_SKIP() << "the stand-in archiver was not built";
    TestPreviewWindow preview(200, 150);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // A file beside the work folder (TEMP\\Zuv), which each name reaches.
    std::wstring outside = JoinPath(temp, L"zuv_preview_outside.png");
    const std::string red = ReadByteString(MediaFixture(L"cover_red.png"));
    for (const char* name : {"../zuv_preview_outside.png", ".../zuv_preview_outside.png", "..../zuv_preview_outside.png",
                             ". ./zuv_preview_outside.png", "a/../../zuv_preview_outside.png",
                             "sub./../zuv_preview_outside.png", "../../Temp/zuv_preview_outside.png"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteBytes(outside, std::vector<unsigned char>(red.begin(), red.end())));
        page = 0;
        LoadArchivePreviewPage(Zip(L"evil.rar", {{name, red}}).c_str(), &params, &slot, preview.window(), &page);
        EXPECT_EQ(slot, nullptr);
        EXPECT_EQ(ReadByteString(outside), red) << "the file outside the work folder is gone or changed";
    }
    DeleteFileW(outside.c_str());
}

TEST_F(ArchivePages, ZipNamesThatWindowsReadsOtherwiseAreNotShown) {
    const std::string red = ReadByteString(MediaFixture(L"cover_red.png"));
    for (const char* name : {"...", "a.png.", "a.png ", "..a.png", "sub/...a.png", "CON.png", "sub/nul", ". ."}) {
        SCOPED_TRACE(name);
        page = 0;
        LoadZipPreviewPage(Zip(L"evil.zip", {{name, red}}).c_str(), &params, &slot, &page);
        EXPECT_EQ(slot, nullptr);
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    EXPECT_FALSE(FileExists(JoinPath(temp, L"Zuv\\a.png")));
}

TEST_F(ArchivePages, ZipNamesTooLongForTheBufferArePassedOver) {
    const std::string blue = ReadByteString(MediaFixture(L"cover_blue.png"));
    for (size_t length : {519u, 520u, 521u, 1000u, 65000u}) {
        SCOPED_TRACE(length);
        std::string name = std::string(length - 4, 'n') + ".png";
        // The long name counts as no page: page 1 of one is written back as 0.
        page = 1;
        LoadZipPreviewPage(Zip(L"long.zip", {{name, blue}, {"c.png", blue}}).c_str(), &params, &slot, &page);
        EXPECT_EQ(page, length < 520 ? 1 : 0);
        EXPECT_NE(slot, nullptr);
    }
}

TEST_F(ArchivePages, LockedArchivesGiveNoPictureAndNothingWaitsForAPassword) {
    std::wstring sevenZip = SevenZipExe();
    if (sevenZip.empty()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    params.sevenZipPath = sevenZip.c_str();
    TestPreviewWindow preview(200, 150);
    for (const wchar_t* name : {L"locked.7z", L"locked_names.7z"}) {
        page = 0;
        LoadArchivePreviewPage(ArchiveFixture(name).c_str(), &params, &slot, preview.window(), &page);
        EXPECT_EQ(slot, nullptr) << ToUtf8(name);
    }
}

// Set for the copy of this program that runs the archive pages without a
// console: the archive to open, then "|" and the file to write the outcome to.
const wchar_t kNoConsoleCall[] = L"ZUV_ARCHIVE_PAGE_WITHOUT_CONSOLE";

TEST_F(ArchivePages, LockedArchivesFromAProgramWithoutAConsole) {
    if (SevenZipExe().empty()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    for (const wchar_t* name : {L"locked.7z", L"locked_names.7z"}) {
        SCOPED_TRACE(ToUtf8(name));
        std::wstring outcome = folder / L"outcome.txt";
        DWORD exitCode = 1;
        ASSERT_TRUE(RunTestsWithoutConsole(L"ArchivePagesWithoutConsole.*", kNoConsoleCall,
                                           ArchiveFixture(name) + L"|" + outcome, 60000, &exitCode))
            << "the archive page waits for a password";
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(ReadByteString(outcome), "no picture");
        DeleteFileW(outcome.c_str());
    }
}

TEST(ArchivePagesWithoutConsole, LockedArchiveGivesNoPicture) {
    wchar_t call[2 * MAX_PATH] = L"";
    if (GetEnvironmentVariableW(kNoConsoleCall, call, 2 * MAX_PATH) == 0) {
        GTEST_SKIP() << "runs only in the copy without a console that LockedArchivesFromAProgramWithoutAConsole starts";
    }
    std::wstring text = call;
    std::wstring archive = text.substr(0, text.find(L'|'));
    std::wstring outcome = text.substr(text.find(L'|') + 1);
    std::wstring sevenZip = SevenZipExe();
    TWorkerParams params = {};
    params.iconSize = 96;
    params.fontSize = 12;
    params.maxBytes = 1 << 20;
    params.fontStrJp = params.fontTextJp = L"あ";
    params.fontStrEn = params.fontTextEn = L"Aa";
    params.sevenZipPath = sevenZip.c_str();
    TestPreviewWindow preview(200, 150);
    HBITMAP slot = nullptr;
    int page = 0;
    LoadArchivePreviewPage(archive.c_str(), &params, &slot, preview.window(), &page);
    WriteText(outcome, slot ? "a picture" : "no picture");
    if (slot) DeleteObject(slot);
}

LRESULT CALLBACK QuitOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(3);
    return DefWindowProcW(window, message, wParam, lParam);
}

// The main window closed while the preview waits for the archiver: the
// waiting stops, and the quit reaches the program's own message loop.
TEST_F(ArchivePages, ClosingTheWindowWhileTheArchiverRunsEndsTheProgram) {
    if (!FileExists(archiver)) GTEST_SKIP() << "the stand-in archiver was not built";
    TestPreviewWindow preview(200, 150);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = QuitOnDestroy;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZuvQuitOnDestroy";
    RegisterClassW(&windowClass);
    std::wstring archive = Zip(L"a.7z", {{"a.png", ReadByteString(MediaFixture(L"cover_red.png"))}});
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HWND main = CreateWindowW(L"ZuvQuitOnDestroy", L"Zuv", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(main, nullptr);
        // Closed by the first message the waiting dispatches.
        PostMessageW(main, WM_CLOSE, 0, 0);
        page = 0;
        LoadArchivePreviewPage(archive.c_str(), &params, &slot, preview.window(), &page);
        EXPECT_FALSE(IsWindow(main));
        EXPECT_EQ(slot, nullptr) << "the page went on after the quit";
        MSG msg = {};
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit is lost";
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
        EXPECT_EQ(msg.wParam, 3u);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        EXPECT_FALSE(FileExists(JoinPath(temp, L"Zuv\\Zuv.txt"))) << "the listing file is left behind";
    }
    UnregisterClassW(L"ZuvQuitOnDestroy", GetModuleHandleW(nullptr));
}

TEST_F(ArchivePages, ArchiverThatCannotStartGivesNoPicture) {
    TestPreviewWindow preview(200, 150);
    std::wstring missing = folder / L"no-archiver.exe";
    params.sevenZipPath = missing.c_str();
    LoadArchivePreviewPage(Zip(L"a.7z", {{"a.png", "x"}}).c_str(), &params, &slot, preview.window(), &page);
    EXPECT_EQ(slot, nullptr);
}

}  // namespace
