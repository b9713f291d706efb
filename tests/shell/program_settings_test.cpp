// The real program with arguments and its own settings file: what it starts
// with and what it writes back when it closes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "support/child_program.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"

namespace {

struct Seen {
    RECT frame = {};
    std::wstring pathBox;
    int items = -1;
};

// Runs the program copied into `folder` with the arguments, from the current
// folder `from`, reads its window and closes it.
void RunOnce(const std::wstring& exe, const std::wstring& arguments, const std::wstring& from, Seen* seen) {
    ChildProgram program;
    ASSERT_TRUE(program.Start(exe, arguments, from));
    HWND window = program.WaitForWindow(L"Zuv");
    ASSERT_NE(window, nullptr);
    GetWindowRect(window, &seen->frame);
    wchar_t text[MAX_PATH] = L"";
    SendMessageW(GetDlgItem(window, IDC_PATH_EDIT), WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(text));
    seen->pathBox = text;
    seen->items = static_cast<int>(SendMessageW(GetDlgItem(window, IDC_LIST_VIEW), LVM_GETITEMCOUNT, 0, 0));
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(program.WaitForExit(20000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

class ProgramSettings : public testing::Test {
protected:
    void SetUp() override {
        exe_ = CopyProgramInto(ZuvPlainExe(), folder_.path());
        ini_ = folder_ / L"Zuv_plain.ini";
    }
    std::wstring System(const wchar_t* key) { return ReadSetting(ini_, L"SystemSetting", key); }
    TempFolder folder_;
    std::wstring exe_;
    std::wstring ini_;
};

}  // namespace

TEST_F(ProgramSettings, FirstStartWithoutAFileWritesTheDefaults) {
    ASSERT_FALSE(FileExists(ini_));
    Seen seen;
    RunOnce(exe_, L"", folder_.path(), &seen);
    EXPECT_EQ(seen.frame.left, 10);
    EXPECT_EQ(seen.frame.top, 10);
    EXPECT_EQ(seen.frame.right - seen.frame.left, 640);
    EXPECT_EQ(seen.frame.bottom - seen.frame.top, 360);
    EXPECT_EQ(seen.pathBox, L"C:\\");

    const std::vector<std::wstring> keys = {L"dir",      L"x",         L"y",           L"width",    L"height",
                                            L"iconSize", L"iconSizeSmall", L"thumbnailWait", L"listType",
                                            L"hideCache", L"cacheAutoSave", L"speedMode", L"darkMode",
                                            L"dirA",     L"dirB",      L"dirC",        L"dirD",     L"dirE",
                                            L"dirF",     L"dirG",      L"dirH",        L"dirI"};
    EXPECT_EQ(SettingKeysInOrder(ini_, L"SystemSetting"), keys);
    EXPECT_TRUE(SettingKeysInOrder(ini_, L"UserSetting").empty());
    const std::vector<std::wstring> values = {L"C:\\", L"10",  L"10",  L"640", L"360", L"128", L"128", L"64",
                                              L"ICON", L"ON",  L"OFF", L"OFF", L"ON",  L"A:\\", L"B:\\", L"C:\\",
                                              L"D:\\", L"E:\\", L"F:\\", L"G:\\", L"H:\\", L"I:\\"};
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(System(keys[i].c_str()), values[i]) << keys[i];
}

TEST_F(ProgramSettings, ValuesSurviveAStartAndAClose) {
    TempFolder start;
    WriteSettingsFile(ini_, {{L"SystemSetting", L"thumbnailWait", L"-1"},
                             {L"SystemSetting", L"hideCache", L"off"},
                             {L"SystemSetting", L"cacheAutoSave", L"on"},
                             {L"SystemSetting", L"speedMode", L"oN"},
                             {L"SystemSetting", L"darkMode", L"yes"},
                             {L"SystemSetting", L"listType", L"list"},
                             {L"SystemSetting", L"dirD", L"D:\\100% photos"},
                             {L"SystemSetting", L"volume", L"30"},
                             {L"UserSetting", L"fontStrEn", L"kept\\nas written"}});
    Seen seen;
    RunOnce(exe_, L"\"" + start.path() + L"\"", folder_.path(), &seen);
    EXPECT_EQ(seen.pathBox, start.path());
    EXPECT_EQ(seen.items, 0);
    EXPECT_EQ(System(L"thumbnailWait"), L"-1");
    EXPECT_EQ(System(L"hideCache"), L"OFF");
    EXPECT_EQ(System(L"cacheAutoSave"), L"ON");
    EXPECT_EQ(System(L"speedMode"), L"ON");
    EXPECT_EQ(System(L"darkMode"), L"OFF");
    EXPECT_EQ(System(L"listType"), L"LIST");
    EXPECT_EQ(System(L"dirD"), L"D:\\100% photos");
    EXPECT_EQ(System(L"dir"), start.path());
    // Read-only values stay as the user wrote them.
    EXPECT_EQ(System(L"volume"), L"30");
    EXPECT_EQ(ReadSetting(ini_, L"UserSetting", L"fontStrEn"), L"kept\\nas written");
}

TEST_F(ProgramSettings, AnEmptyDirRoundTrips) {
    WriteSettingsFile(ini_, {{L"SystemSetting", L"dir", L""}});
    for (int round = 0; round < 2; ++round) {
        Seen seen;
        RunOnce(exe_, L"", folder_.path(), &seen);
        EXPECT_EQ(seen.pathBox, L"") << round;
        EXPECT_EQ(seen.items, 0) << round;
        EXPECT_EQ(System(L"dir"), L"") << round;
    }
}

TEST_F(ProgramSettings, AFileOrMissingPathGivesAnEmptyStart) {
    WriteText(folder_ / L"file.txt", "x");
    WriteSettingsFile(ini_, {{L"SystemSetting", L"dir", folder_.path()}});
    for (const std::wstring& argument : {folder_ / L"file.txt", folder_ / L"missing"}) {
        Seen seen;
        RunOnce(exe_, L"\"" + argument + L"\"", folder_.path(), &seen);
        EXPECT_EQ(seen.pathBox, L"") << argument;
        EXPECT_EQ(seen.items, 0) << argument;
        EXPECT_EQ(System(L"dir"), L"") << argument;
    }
}

// A relative folder is taken in the folder the program was started in, and
// kept as a full path: the process's current folder changes later (HTML
// screenshots, per-extension programs), and the next start may be elsewhere.
TEST_F(ProgramSettings, ARelativeFolderIsTakenInTheStartingFolder) {
    MakeFolder(folder_ / L"sub");
    WriteText(folder_ / L"sub\\one.txt", "1");
    WriteText(folder_ / L"sub\\two.txt", "2");
    Seen seen;
    RunOnce(exe_, L"sub", folder_.path(), &seen);
    EXPECT_EQ(seen.pathBox, folder_ / L"sub");
    EXPECT_EQ(seen.items, 2);
    EXPECT_EQ(System(L"dir"), folder_ / L"sub");
}
