// The real program, started without a console, through quick navigation:
// Enter on a folder and Backspace straight after leave the worker of the
// folder given up while its successor draws, so two workers draw text at
// once. Twenty times in a row the program gets its pictures, saves its cache
// and ends cleanly when closed.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "support/child_program.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"

namespace {

const int kRounds = 20;

}  // namespace

TEST(QuickNavigation, EnterOnAFolderAndBackspaceTwentyTimesNeverCrash) {
    TempFolder programFolder;
    std::wstring exe = CopyProgramInto(ZuvPlainExe(), programFolder.path());
    std::wstring settings = exe.substr(0, exe.size() - 4) + L".ini";

    for (int i = 0; i < kRounds; ++i) {
        SCOPED_TRACE("round " + std::to_string(i + 1));
        // A fresh folder each time: the pictures are drawn, never read back.
        TempFolder folder;
        ASSERT_TRUE(MakeFolder(folder / L"sub"));
        ASSERT_TRUE(WriteText(folder / L"sub\\inner.txt", ""));
        ASSERT_TRUE(WriteText(folder / L"a.txt", ""));
        ASSERT_TRUE(WriteText(folder / L"b.txt", ""));
        WriteSettingsFile(settings, {{L"SystemSetting", L"cacheAutoSave", L"ON"}});

        ChildProgram program;
        ASSERT_TRUE(program.Start(exe, L"\"" + folder.path() + L"\"", programFolder.path(), DETACHED_PROCESS));
        HWND window = program.WaitForWindow(L"Zuv");
        ASSERT_NE(window, nullptr);
        HWND list = VisibleChildWindow(window, WC_LISTVIEWW);
        HWND pathBox = VisibleChildWindow(window, WC_EDITW);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(pathBox, nullptr);
        std::wstring cacheA = folder / L"Zuv_CACHE\\a.txt.Zuv.icon.ico";
        std::wstring cacheB = folder / L"Zuv_CACHE\\b.txt.Zuv.icon.ico";
        auto cacheSaved = [&] { return FileExists(cacheA) && FileExists(cacheB); };
        auto shows = [&](const std::wstring& path) {
            return [&, path] { return _wcsicmp(ChildWindowText(pathBox).c_str(), path.c_str()) == 0; };
        };

        // As a user would: the start folder's pictures are there (its cache
        // saved) before Enter on the first item, "sub"; Backspace follows as
        // soon as sub is shown, while its worker draws inner.txt. The cache
        // files go (the saver may still hold the last one for a moment), so
        // that only the last run can bring them back.
        ASSERT_TRUE(program.WaitFor(cacheSaved, 15000)) << "no first cache within 15 s";
        auto cacheGone = [&] {
            DeleteFileW(cacheA.c_str());
            DeleteFileW(cacheB.c_str());
            return !FileExists(cacheA) && !FileExists(cacheB);
        };
        ASSERT_TRUE(program.WaitFor(cacheGone, 15000));
        PostKeyPress(list, VK_RETURN);
        ASSERT_TRUE(program.WaitFor(shows(folder / L"sub"), 15000)) << "Enter did not open sub";
        PostKeyPress(list, VK_BACK);
        ASSERT_TRUE(program.WaitFor(shows(folder.path()), 15000)) << "Backspace did not go back";
        EXPECT_TRUE(program.WaitFor(cacheSaved, 15000)) << "no cache saved within 15 s";

        PostMessageW(window, WM_CLOSE, 0, 0);
        DWORD exitCode = 12345;
        ASSERT_TRUE(program.WaitForExit(20000, &exitCode)) << "the program did not end within 20 s";
        ASSERT_EQ(exitCode, 0u) << "the program ended abnormally";
    }
}
