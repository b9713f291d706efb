// The start folder chosen from the program's argument list.
#include <windows.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "shell/settings_file.h"
#include "shell/start_folder.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"

namespace {

std::wstring Choose(std::vector<std::wstring> args) {
    std::vector<wchar_t*> argv;
    for (std::wstring& a : args) argv.push_back(&a[0]);
    wchar_t folder[kPathChars] = L"stale";
    ChooseStartFolder(static_cast<int>(argv.size()), argv.data(), folder);
    return folder;
}

}  // namespace

TEST(StartFolder, ChosenFromTheArguments) {
    TempFolder temp;
    MakeFolder(temp / L"sub");
    WriteText(temp / L"file.txt", "x");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(temp.path().c_str());
    WriteTestSettings({{L"SystemSetting", L"dir", L"D:\\from setting"}});
    SetSettingsPath();

    // An existing folder whose path does not fit 260 characters.
    std::wstring longFolder = temp.path();
    while (longFolder.size() < 270) {
        longFolder += L"\\" + std::wstring(40, L'f');
        CreateDirectoryW((L"\\\\?\\" + longFolder).c_str(), nullptr);
    }
    ASSERT_NE(GetFileAttributesW((L"\\\\?\\" + longFolder).c_str()), INVALID_FILE_ATTRIBUTES);

    struct Case {
        std::vector<std::wstring> args;
        std::wstring folder;
    } cases[] = {
        {{L"zuv.exe"}, L"D:\\from setting"},
        {{L"zuv.exe", temp.path()}, temp.path()},
        {{L"zuv.exe", temp / L"sub", temp / L"file.txt"}, temp / L"sub"},
        // Relative folders are made full while the current folder is still
        // the one the program was started in.
        {{L"zuv.exe", L"sub"}, temp / L"sub"},
        {{L"zuv.exe", L".\\sub\\"}, temp / L"sub\\"},
        {{L"zuv.exe", temp / L"file.txt"}, L""},
        {{L"zuv.exe", temp / L"missing"}, L""},
        {{L"zuv.exe", L""}, L""},
        {{L"zuv.exe", longFolder}, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Choose(c.args), c.folder) << (c.args.size() > 1 ? c.args[1] : L"(none)");
    }
    SetCurrentDirectoryW(saved);
}

TEST(StartFolder, WithoutArgumentsAndWithoutSettingIsDriveC) {
    WriteTestSettings({});
    SetSettingsPath();
    EXPECT_EQ(Choose({L"zuv.exe"}), L"C:\\");
}
