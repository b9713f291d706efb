// Enter, Shift+Enter and Escape on the list view with the stand-in viewer
// and per-extension program, the feed of newly focused files, and the title.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/standin_log.h"
#include "support/test_files.h"
#include "support/window_driver.h"

namespace {

const wchar_t kStartFailed[] = L"iniでの実行ファイル指定方法が間違っています。";

// sub, a.jpg, b.png, c.txt, MOVIE.MP4, x.zuvtest
struct ViewerFolder {
    TempFolder folder;
    ViewerFolder() {
        MakeFolder(folder / L"sub");
        WriteText(folder / L"a.jpg", "a");
        WriteText(folder / L"b.png", "b");
        WriteText(folder / L"c.txt", "c");
        WriteText(folder / L"MOVIE.MP4", "m");
        WriteText(folder / L"x.zuvtest", "x");
    }
    std::wstring operator/(const std::wstring& name) const { return folder / name; }
};

// Moves the focus and the selection to one item, as the arrow keys do.
void FocusItem(const std::wstring& name) {
    ListViewFocusOnly(listView, ListViewIndexOf(listView, name));
}

// Enter in the list view: its own procedure turns it into NM_RETURN.
void PressEnter(bool shift = false) {
    SendKeyPress(listView, VK_RETURN, shift);
}

bool WaitForViewerWindow() {
    return PumpUntil([] {
        FindViewerWindow();
        return viewerWindowFound == 1;
    }, 15000);
}

std::wstring WindowTitle() {
    wchar_t text[MAX_PATH] = L"";
    GetWindowTextW(mainWindow, text, MAX_PATH);
    return text;
}

HANDLE OpenViewerProcess() {
    return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, viewerProcess.dwProcessId);
}

std::wstring Feed(const std::wstring& path) {
    return L"Zuv" + path + L"\\0";
}

std::wstring FeedKind(const std::wstring& path) {
    wchar_t kind[64];
    wsprintfW(kind, L"copydata 0 %d", static_cast<int>((path.size() + 4) * 2));
    return kind;
}

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

class ExternalViewer : public ::testing::Test {
protected:
    void Open(const std::vector<TestSetting>& extra = {}) {
        std::vector<TestSetting> settings = {{L"UserSetting", L"Qav.exe", StandInViewerExe()}};
        settings.insert(settings.end(), extra.begin(), extra.end());
        WriteTestSettings(settings);
        ASSERT_NE(harness.OpenInFolder(fixture.folder.path()), nullptr);
    }
    // Enter on a file with no viewer running: the viewer is up and has its window.
    void StartViewerOn(const std::wstring& name, size_t startsBefore = 0) {
        FocusItem(name);
        PressEnter();
        ASSERT_TRUE(log.WaitForLines(L"start", startsBefore + 1));
        ASSERT_TRUE(WaitForViewerWindow());
        // Found at once, and not one of the hidden helper windows that the
        // system makes in the viewer's process.
        EXPECT_EQ(WindowClassName(viewerWindow), L"ZuvStandInViewer");
    }
    void TearDown() override {
        harness.Close();
        SetEnvironmentVariableW(L"ZUV_STANDIN_IGNORE_CLOSE", nullptr);
        SetEnvironmentVariableW(L"ZUV_STANDIN_HANG_MS", nullptr);
    }

    ViewerFolder fixture;
    StandInLog log;
    MainWindowHarness harness;
};

}  // namespace

TEST_F(ExternalViewer, EnterStartsTheViewerFeedsNewFilesAndEnterClosesIt) {
    Open();
    std::wstring a = fixture / L"a.jpg";
    std::wstring b = fixture / L"b.png";
    StartViewerOn(L"a.jpg");
    EXPECT_EQ(log.LinesOf(L"start")[0].text, L"\"" + StandInViewerExe() + L"\" \"Zuv" + a + L"\"");
    EXPECT_TRUE(log.LinesOf(L"copydata").empty());

    // One feed for the newly focused file, both messages with their values.
    FocusItem(L"b.png");
    std::vector<StandInLine> feeds = log.LinesOf(L"copydata");
    ASSERT_EQ(feeds.size(), 1u);
    EXPECT_EQ(feeds[0].kind, FeedKind(b));
    EXPECT_EQ(feeds[0].text, Feed(b));
    ASSERT_EQ(log.LinesOf(L"copyfrom").size(), 1u);
    EXPECT_EQ(log.LinesOf(L"copyfrom")[0].text, std::to_wstring(reinterpret_cast<ULONG_PTR>(mainWindow)));
    ASSERT_EQ(log.LinesOf(L"app1").size(), 1u);
    EXPECT_EQ(log.LinesOf(L"app1")[0].text, L"0 0");
    std::vector<StandInLine> all = log.Lines();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all.back().kind, L"app1");

    // Nothing for the same file again, nor for a folder.
    FocusItem(L"b.png");
    FocusItem(L"sub");
    EXPECT_EQ(log.LinesOf(L"copydata").size(), 1u);
    EXPECT_EQ(std::wstring(lastViewerPath), b);
    // Coming back to a file that was fed last sends nothing either.
    FocusItem(L"b.png");
    EXPECT_EQ(log.LinesOf(L"copydata").size(), 1u);

    // With the focus in the path box the title follows but nothing is sent.
    SetFocus(pathEdit);
    FocusItem(L"c.txt");
    EXPECT_EQ(WindowTitle().substr(0, 6), L"c.txt ");
    EXPECT_EQ(log.LinesOf(L"copydata").size(), 1u);
    SetFocus(listView);
    FocusItem(L"c.txt");
    ASSERT_EQ(log.LinesOf(L"copydata").size(), 2u);
    EXPECT_EQ(log.LinesOf(L"copydata")[1].text, Feed(fixture / L"c.txt"));
    EXPECT_EQ(log.LinesOf(L"app1").size(), 2u);

    // Enter again, on any file, closes it.
    HANDLE process = OpenViewerProcess();
    ASSERT_NE(process, nullptr);
    FocusItem(L"a.jpg");
    PressEnter();
    EXPECT_EQ(WaitForSingleObject(process, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(process);
    ASSERT_EQ(log.LinesOf(L"close").size(), 1u);
    EXPECT_EQ(log.LinesOf(L"close")[0].text, L"closing");
    EXPECT_EQ(viewerProcess.hProcess, nullptr);
    EXPECT_EQ(viewerProcess.dwProcessId, 0u);
    EXPECT_EQ(log.LinesOf(L"start").size(), 1u);
    EXPECT_TRUE(IsWindow(mainWindow));
}

TEST_F(ExternalViewer, ANewViewerIsFedEvenTheFileAnEarlierOneGotLast) {
    Open();
    StartViewerOn(L"a.jpg");
    FocusItem(L"b.png");
    ASSERT_EQ(log.LinesOf(L"copydata").size(), 1u);
    PressEnter();  // closes it
    ASSERT_TRUE(log.WaitForLines(L"close", 1));
    FocusItem(L"a.jpg");
    StartViewerOn(L"a.jpg", 1);
    EXPECT_EQ(log.LinesOf(L"start")[1].text,
              L"\"" + StandInViewerExe() + L"\" \"Zuv" + (fixture / L"a.jpg") + L"\"");
    FocusItem(L"b.png");
    ASSERT_EQ(log.LinesOf(L"copydata").size(), 2u);
    EXPECT_EQ(log.LinesOf(L"copydata")[1].text, Feed(fixture / L"b.png"));
    // The file it was started with counts as sent.
    FocusItem(L"a.jpg");
    EXPECT_EQ(log.LinesOf(L"copydata").size(), 3u);
}

TEST_F(ExternalViewer, AViewerIgnoringCloseIsEndedAfterASecond) {
    SetEnvironmentVariableW(L"ZUV_STANDIN_IGNORE_CLOSE", L"1");
    Open();
    StartViewerOn(L"a.jpg");
    HANDLE process = OpenViewerProcess();
    ASSERT_NE(process, nullptr);
    DWORD start = GetTickCount();
    PressEnter();
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 900u);
    EXPECT_LT(took, 3000u);
    ASSERT_EQ(WaitForSingleObject(process, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process);
    ASSERT_EQ(log.LinesOf(L"close").size(), 1u);
    EXPECT_EQ(log.LinesOf(L"close")[0].text, L"ignored");
    EXPECT_EQ(viewerProcess.hProcess, nullptr);
}

TEST_F(ExternalViewer, AViewerThatDoesNotAnswerAFeedHoldsTheBrowserOnlyForTheLimitAndIsFedAgain) {
    // Busy a second longer than the limit over its first feed only.
    SetEnvironmentVariableW(L"ZUV_STANDIN_HANG_MS", std::to_wstring(kViewerFeedTimeoutMs + 1000).c_str());
    Open();
    StartViewerOn(L"a.jpg");
    DWORD start = GetTickCount();
    FocusItem(L"b.png");
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, kViewerFeedTimeoutMs - 100);
    EXPECT_LT(took, kViewerFeedTimeoutMs + 2000);
    // The second message is not sent to a viewer that did not answer.
    EXPECT_TRUE(log.LinesOf(L"app1").empty());
    EXPECT_EQ(std::wstring(lastViewerPath), fixture / L"a.jpg") << "the missed file does not count as sent";

    // Back on the same file once the viewer answers again: it is sent anew.
    FocusItem(L"sub");
    FocusItem(L"b.png");
    std::vector<StandInLine> feeds = log.LinesOf(L"copydata");
    ASSERT_EQ(feeds.size(), 2u);
    EXPECT_EQ(feeds[1].text, Feed(fixture / L"b.png"));
    EXPECT_EQ(log.LinesOf(L"app1").size(), 1u);
    EXPECT_EQ(std::wstring(lastViewerPath), fixture / L"b.png");
    HANDLE process = OpenViewerProcess();
    EscapeCommand();
    EXPECT_EQ(WaitForSingleObject(process, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(process);
    EXPECT_TRUE(IsWindow(mainWindow));
}

TEST_F(ExternalViewer, EscapeClosesTheViewerThenTheMainWindow) {
    Open();
    StartViewerOn(L"a.jpg");
    HANDLE process = OpenViewerProcess();
    EscapeCommand();
    EXPECT_EQ(WaitForSingleObject(process, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(process);
    EXPECT_EQ(log.LinesOf(L"close").size(), 1u);
    EXPECT_EQ(viewerProcess.hProcess, nullptr);
    HWND window = mainWindow;
    EXPECT_TRUE(IsWindow(window));
    EscapeCommand();
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(ExternalViewer, EscapeFromThePathBoxOrTheAcceleratorClosesTheViewer) {
    Open();
    HWND window = mainWindow;
    for (int round = 0; round < 2; ++round) {
        StartViewerOn(L"a.jpg", round);
        HANDLE process = OpenViewerProcess();
        ASSERT_NE(process, nullptr);
        if (round == 0) {
            SetFocus(pathEdit);
            SendKeyPress(pathEdit, VK_ESCAPE);
        } else {
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_KEY_ESCAPE, 1), 0);
        }
        EXPECT_EQ(WaitForSingleObject(process, 5000), static_cast<DWORD>(WAIT_OBJECT_0)) << round;
        CloseHandle(process);
        EXPECT_EQ(log.LinesOf(L"close").size(), static_cast<size_t>(round + 1));
        EXPECT_EQ(viewerProcess.hProcess, nullptr) << round;
        ASSERT_TRUE(IsWindow(window)) << round;
        SetFocus(listView);
    }
}

TEST_F(ExternalViewer, AViewerThatClosedItselfIsReplacedByTheNextEnter) {
    Open();
    StartViewerOn(L"a.jpg");
    DWORD firstId = viewerProcess.dwProcessId;
    HANDLE first = OpenViewerProcess();
    PostMessageW(viewerWindow, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(first, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(first);
    // Its window is gone: Enter starts a new one.
    FocusItem(L"b.png");
    EXPECT_TRUE(log.LinesOf(L"copydata").empty());
    PressEnter();
    ASSERT_TRUE(log.WaitForLines(L"start", 2));
    EXPECT_EQ(log.LinesOf(L"start")[1].text, L"\"" + StandInViewerExe() + L"\" \"Zuv" + (fixture / L"b.png") + L"\"");
    EXPECT_NE(viewerProcess.dwProcessId, firstId);
    ASSERT_TRUE(WaitForViewerWindow());
    EXPECT_EQ(WindowClassName(viewerWindow), L"ZuvStandInViewer");

    // Closed by itself again: Escape now closes the main window.
    HANDLE second = OpenViewerProcess();
    PostMessageW(viewerWindow, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(second, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(second);
    HWND window = mainWindow;
    EscapeCommand();
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(ExternalViewer, ClosingTheMainWindowClosesTheViewer) {
    Open();
    StartViewerOn(L"a.jpg");
    HANDLE process = OpenViewerProcess();
    harness.Close();
    EXPECT_EQ(WaitForSingleObject(process, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(process);
    EXPECT_EQ(log.LinesOf(L"close").size(), 1u);
}

TEST_F(ExternalViewer, ShiftEnterStartsTheExtensionProgramInItsOwnFolder) {
    Open({{L"UserSetting", L".mp4", StandInProgramExe()}});
    wchar_t before[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, before);
    FocusItem(L"MOVIE.MP4");
    PressEnter(true);
    ASSERT_TRUE(log.WaitForLines(L"cwd", 1));
    ASSERT_EQ(log.LinesOf(L"args").size(), 1u);
    EXPECT_EQ(log.LinesOf(L"args")[0].text, StandInProgramExe() + L" \"" + (fixture / L"MOVIE.MP4") + L"\"");
    std::wstring programFolder = JoinPath(BuildFolder(), L"tools");
    EXPECT_EQ(Lower(log.LinesOf(L"cwd")[0].text), Lower(programFolder));
    // It stays this process's current folder.
    wchar_t now[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, now);
    EXPECT_EQ(Lower(now), Lower(programFolder));
    // No viewer for Shift+Enter.
    EXPECT_TRUE(log.LinesOf(L"start").empty());
    EXPECT_EQ(viewerProcess.hProcess, nullptr);
}

TEST_F(ExternalViewer, ShiftEnterWithoutAProgramOpensTheAssociatedOne) {
    // An association of this test's own, in the registry of the prefix.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L".zuvtest", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t progId[] = L"ZuvTestFile";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(progId), sizeof(progId));
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"ZuvTestFile\\shell\\open\\command", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::wstring command = L"\"" + StandInProgramExe() + L"\" \"%1\"";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);

    Open({{L"UserSetting", L".mp4", StandInProgramExe()}});
    DialogAnswerer answerer;  // the shell's own questions must not hang the test
    FocusItem(L"x.zuvtest");
    PressEnter(true);
    bool started = log.WaitForLines(L"args", 1);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".zuvtest");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"ZuvTestFile");
    EXPECT_TRUE(answerer.records().empty());
    ASSERT_TRUE(started);
    EXPECT_NE(log.LinesOf(L"args")[0].text.find(fixture / L"x.zuvtest"), std::wstring::npos);
    EXPECT_TRUE(log.LinesOf(L"start").empty());
}

TEST_F(ExternalViewer, ProgramsThatCannotStartAreReported) {
    struct Case {
        const char* what;
        std::vector<TestSetting> settings;
        const wchar_t* item;
        bool shift;
    } cases[] = {
        {"no viewer setting", {{L"UserSetting", L"Qav.exe", L""}}, L"a.jpg", false},
        {"missing viewer", {{L"UserSetting", L"Qav.exe", L"C:\\nowhere\\Qav.exe"}}, L"a.jpg", false},
        {"missing program", {{L"UserSetting", L".MP4", L"C:\\nowhere\\player.exe"}}, L"MOVIE.MP4", true},
    };
    for (const Case& c : cases) {
        Open(c.settings);
        DialogAnswerer answerer;
        FocusItem(c.item);
        PressEnter(c.shift);
        ASSERT_EQ(answerer.records().size(), 1u) << c.what;
        EXPECT_EQ(answerer.records()[0].caption, L"Zuv") << c.what;
        EXPECT_EQ(answerer.records()[0].message, kStartFailed) << c.what;
        EXPECT_EQ(answerer.records()[0].icon, static_cast<UINT>(MB_ICONWARNING)) << c.what;
        EXPECT_EQ(viewerProcess.hProcess, nullptr) << c.what;
        harness.Close();
    }
}

TEST_F(ExternalViewer, EnterOnAFolderStartsNothing) {
    Open({{L"UserSetting", L".mp4", StandInProgramExe()}});
    DialogAnswerer answerer;
    for (bool shift : {false, true}) {
        FocusItem(L"sub");
        PressEnter(shift);
    }
    PumpMessagesFor(300);
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_TRUE(answerer.records().empty());
    EXPECT_EQ(viewerProcess.hProcess, nullptr);
}

TEST_F(ExternalViewer, TitleShowsTheNameAndTheLocalModificationTime) {
    // 2024/03/05 09:07 local time on a file and a folder.
    SYSTEMTIME local = {2024, 3, 2, 5, 9, 7, 30, 0};
    for (const wchar_t* name : {L"a.jpg", L"sub"}) ASSERT_TRUE(SetLocalWriteTime(fixture / name, local));
    Open();
    FocusItem(L"a.jpg");
    EXPECT_EQ(WindowTitle(), L"a.jpg 2024/03/05 09:07");
    FocusItem(L"sub");
    EXPECT_EQ(WindowTitle(), L"sub 2024/03/05 09:07");
    // An item that can no longer be opened shows its name alone. The worker
    // may still hold the file open for its thumbnail.
    ASSERT_TRUE(harness.WaitForWorker());
    ASSERT_TRUE(DeleteFileW((fixture / L"c.txt").c_str()));
    FocusItem(L"c.txt");
    EXPECT_EQ(WindowTitle(), L"c.txt");
}
