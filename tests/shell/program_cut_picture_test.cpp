// The real program, started without a console, on a folder whose first
// picture is cut short: the whole picture after it gets its picture and the
// cache is saved, on the first visit and on every refresh, and the program
// ends cleanly when closed.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "support/child_program.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/test_pictures.h"

TEST(ProgramCutPicture, WholePictureAfterACutOneIsCachedOnEveryVisit) {
    TempFolder programFolder;
    std::wstring exe = CopyProgramInto(ZuvPlainExe(), programFolder.path());
    std::wstring settings = exe.substr(0, exe.size() - 4) + L".ini";
    WriteSettingsFile(settings, {{L"SystemSetting", L"cacheAutoSave", L"ON"}});

    TempFolder folder;
    std::vector<unsigned char> png = ReadBytes(MediaFixture(L"size_300x200.png"));
    ASSERT_GT(png.size(), 700u);
    png.resize(700);
    ASSERT_TRUE(WriteBytes(folder / L"a_cut.png", png));
    ASSERT_TRUE(CopyFileW(MediaFixture(L"cover_red.png").c_str(), (folder / L"b_whole.png").c_str(), FALSE));
    std::wstring cache = folder / L"Zuv_CACHE\\b_whole.png.Zuv.icon.ico";

    ChildProgram program;
    ASSERT_TRUE(program.Start(exe, L"\"" + folder.path() + L"\"", programFolder.path(), DETACHED_PROCESS));
    HWND window = program.WaitForWindow(L"Zuv");
    ASSERT_NE(window, nullptr);
    HWND list = VisibleChildWindow(window, WC_LISTVIEWW);
    ASSERT_NE(list, nullptr);
    for (int visit = 0; visit < 3; ++visit) {
        SCOPED_TRACE("visit " + std::to_string(visit + 1));
        ASSERT_TRUE(program.WaitFor([&] { return FileExists(cache); }, 15000)) << "no cache within 15 s";
        // The saver may still hold the file for a moment.
        ASSERT_TRUE(program.WaitFor([&] { return DeleteFileW(cache.c_str()) || !FileExists(cache); }, 15000));
        PostKeyPress(list, VK_F5);
    }
    ASSERT_TRUE(program.WaitFor([&] { return FileExists(cache); }, 15000)) << "no cache after the last refresh";

    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 12345;
    ASSERT_TRUE(program.WaitForExit(20000, &exitCode)) << "the program did not end within 20 s";
    EXPECT_EQ(exitCode, 0u);
}
