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

struct TChildSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchVisibleChild(HWND window, LPARAM param) {
    TChildSearch* search = reinterpret_cast<TChildSearch*>(param);
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    if (IsWindowVisible(window) && wcscmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleChild(HWND parent, const wchar_t* className) {
    TChildSearch search = {className, nullptr};
    EnumChildWindows(parent, MatchVisibleChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A key as the keyboard gives it: posted, so that it goes through the
// program's own message loop (accelerators, translation) like a real press.
void PostKey(HWND window, UINT key, UINT scanCode) {
    PostMessageW(window, WM_KEYDOWN, key, 1 | (scanCode << 16));
    PostMessageW(window, WM_KEYUP, key, 0xC0000001 | (scanCode << 16));
}

// Polls the condition until it holds, the program ends or the time runs out.
bool WaitWhileRunning(const ChildProgram& program, DWORD timeoutMs, bool (*condition)(void*), void* context) {
    DWORD start = GetTickCount();
    while (!condition(context)) {
        if (WaitForSingleObject(program.process(), 20) != WAIT_TIMEOUT) return condition(context);
        if (GetTickCount() - start >= timeoutMs) return false;
    }
    return true;
}

struct TRound {
    HWND pathBox;
    std::wstring showing;
    std::wstring cacheA;
    std::wstring cacheB;
};

bool PathBoxShows(void* context) {
    TRound* round = static_cast<TRound*>(context);
    wchar_t text[MAX_PATH] = L"";
    // WM_GETTEXT with a time-out: a program that hangs must not hang the test.
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(round->pathBox, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             2000, &copied)) {
        return false;
    }
    return _wcsicmp(text, round->showing.c_str()) == 0;
}

bool CacheSaved(void* context) {
    TRound* round = static_cast<TRound*>(context);
    return FileExists(round->cacheA) && FileExists(round->cacheB);
}

// The saver may still hold the last file open for a moment.
bool CacheDeleted(void* context) {
    TRound* round = static_cast<TRound*>(context);
    DeleteFileW(round->cacheA.c_str());
    DeleteFileW(round->cacheB.c_str());
    return !FileExists(round->cacheA) && !FileExists(round->cacheB);
}

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
        HWND list = VisibleChild(window, WC_LISTVIEWW);
        HWND pathBox = VisibleChild(window, WC_EDITW);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(pathBox, nullptr);

        // As a user would: the start folder's pictures are there (its cache
        // saved) before Enter on the first item, "sub"; Backspace follows as
        // soon as sub is shown, while its worker draws inner.txt. The cache
        // files go, so that only the last run can bring them back.
        TRound round = {pathBox, folder / L"sub", folder / L"Zuv_CACHE\\a.txt.Zuv.icon.ico",
                        folder / L"Zuv_CACHE\\b.txt.Zuv.icon.ico"};
        ASSERT_TRUE(WaitWhileRunning(program, 15000, CacheSaved, &round)) << "no first cache within 15 s";
        ASSERT_TRUE(WaitWhileRunning(program, 15000, CacheDeleted, &round));
        PostKey(list, VK_RETURN, 0x1C);
        ASSERT_TRUE(WaitWhileRunning(program, 15000, PathBoxShows, &round)) << "Enter did not open sub";
        PostKey(list, VK_BACK, 0x0E);
        round.showing = folder.path();
        ASSERT_TRUE(WaitWhileRunning(program, 15000, PathBoxShows, &round)) << "Backspace did not go back";
        EXPECT_TRUE(WaitWhileRunning(program, 15000, CacheSaved, &round)) << "no cache saved within 15 s";

        PostMessageW(window, WM_CLOSE, 0, 0);
        DWORD exitCode = 12345;
        ASSERT_TRUE(program.WaitForExit(20000, &exitCode)) << "the program did not end within 20 s";
        ASSERT_EQ(exitCode, 0u) << "the program ended abnormally";
    }
}
