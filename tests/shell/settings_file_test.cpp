// Reading the settings file into the process-wide values, the kinds of
// value, and the helpers the reading uses.
#include <windows.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "shell/settings_file.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"

namespace {

// Reads the test program's own settings file, without a window or menu.
void ReadTestSettings(const std::vector<TestSetting>& settings) {
    WriteTestSettings(settings);
    SetSettingsPath();
    ReadSettings(nullptr);
}

}  // namespace

TEST(SettingsFile, PathIsTheProgramWithIniExtension) {
    SetSettingsPath();
    EXPECT_EQ(std::wstring(iniPath), TestSettingsPath());
    EXPECT_EQ(std::wstring(iniPath).substr(std::wstring(iniPath).size() - 4), L".ini");
}

TEST(SettingsFile, ExpandNewlineEscapes) {
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"", L""},
        {L"plain", L"plain"},
        {L"one\\ntwo", L"one\ntwo"},
        {L"\\n", L"\n"},
        {L"\\n\\n", L"\n\n"},
        {L"a\\\\nb", L"a\\\nb"},  // a doubled backslash is no escape
        {L"a\\tb\\", L"a\\tb\\"},
        {L"end\\", L"end\\"},
        {L"N\\N", L"N\\N"},
        {L"\\nn", L"\nn"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandNewlineEscapes(c.in), c.out) << c.in;
}

TEST(SettingsFile, SwitchTextsReadAndWrite) {
    struct Case {
        const wchar_t* text;
        int value;
    } cases[] = {{L"ON", 1}, {L"on", 1}, {L"oN", 1}, {L"On", 1}, {L"OFF", 0}, {L"1", 0},
                 {L"yes", 0}, {L"", 0}, {L"ONE", 0}, {L"O N", 0}};
    for (const Case& c : cases) EXPECT_EQ(SwitchFromText(c.text), c.value) << c.text;
    EXPECT_STREQ(SwitchText(1), L"ON");
    EXPECT_STREQ(SwitchText(0), L"OFF");
    EXPECT_STREQ(SwitchText(2), L"OFF");
    EXPECT_STREQ(SwitchText(-1), L"OFF");
}

TEST(SettingsFile, MaxBytesIsComputedIn32Bits) {
    struct Case {
        int mb;
        int bytes;
    } cases[] = {{0, 0}, {1, 1048576}, {64, 67108864}, {2047, 2146435072}, {2048, INT_MIN}, {4096, 0}, {-1, -1048576}};
    for (const Case& c : cases) EXPECT_EQ(MaxBytesFromMB(c.mb), c.bytes) << c.mb;
}

TEST(SettingsFile, DefaultsWithoutAFile) {
    ReadTestSettings({});
    EXPECT_FALSE(FileExists(TestSettingsPath()));
    EXPECT_EQ(windowX, 10);
    EXPECT_EQ(windowY, 10);
    EXPECT_EQ(windowWidth, 640);
    EXPECT_EQ(windowHeight, 360);
    EXPECT_EQ(iconSize, 128);
    EXPECT_EQ(iconSizeSmall, 128);
    EXPECT_EQ(thumbnailWait, 64);
    EXPECT_STREQ(fontStrJp, L"永あア\nAbc01\n☎!?");
    EXPECT_STREQ(fontStrEn, L"Abc?\n0123!");
    EXPECT_STREQ(fontTextJp, L"フォントの世界は永遠です。\nHello, font world! 0123");
    EXPECT_STREQ(fontTextEn, L"Hello, font world! 0123");
    EXPECT_EQ(fontSize, 64);
    EXPECT_EQ(volume, 0);
    EXPECT_STREQ(browserPath, L"");
    EXPECT_STREQ(sevenZipPath, L"");
    EXPECT_EQ(maxMB, 64);
    EXPECT_STREQ(viewerPath, L"");
    EXPECT_STREQ(fontName, L"");
    EXPECT_EQ(hideCache, 1);
    EXPECT_EQ(cacheAutoSave, 0);
    EXPECT_EQ(speedMode, 0);
    EXPECT_EQ(darkMode, 1);
    for (int i = 0; i < 9; ++i) {
        wchar_t root[4] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
        EXPECT_STREQ(driveDirs[i], root);
    }
    EXPECT_EQ(iconView, 1);
    EXPECT_STREQ(fontStrJpSmall, L"永");
    EXPECT_STREQ(fontStrEnSmall, L"Abc");
    EXPECT_EQ(fontSizeSmall, 64);
    EXPECT_EQ(previewX, 10);
    EXPECT_EQ(previewY, 10);
    EXPECT_EQ(previewWidth, 320);
    EXPECT_EQ(previewHeight, 180);
    wchar_t dir[kPathChars];
    ReadStartFolderSetting(dir);
    EXPECT_STREQ(dir, L"C:\\");
}

TEST(SettingsFile, IntegerValues) {
    struct Case {
        const wchar_t* text;  // null: the key is missing
        int value;
    } cases[] = {{nullptr, 64}, {L"12", 12}, {L"-1", -1}, {L" -7", -7}, {L"0", 0}, {L"2048", 2048}};
    for (const Case& c : cases) {
        std::vector<TestSetting> settings;
        if (c.text) settings.push_back({L"SystemSetting", L"thumbnailWait", c.text});
        if (c.text) settings.push_back({L"UserSetting", L"maxMB", c.text});
        ReadTestSettings(settings);
        EXPECT_EQ(thumbnailWait, c.value) << (c.text ? c.text : L"missing");
        EXPECT_EQ(maxMB, c.value) << (c.text ? c.text : L"missing");
    }
}

TEST(SettingsFile, SwitchValuesAndSectionNamesIgnoreCase) {
    ReadTestSettings({{L"systemsetting", L"HIDECACHE", L"off"},
                      {L"SystemSetting", L"cacheAutoSave", L"on"},
                      {L"SystemSetting", L"speedMode", L"oN"},
                      {L"SystemSetting", L"darkMode", L"yes"}});
    EXPECT_EQ(hideCache, 0);
    EXPECT_EQ(cacheAutoSave, 1);
    EXPECT_EQ(speedMode, 1);
    EXPECT_EQ(darkMode, 0);
}

TEST(SettingsFile, TextValuesAreCutToTheirBuffersAndEscapesExpanded) {
    std::wstring longText(300, L'x');
    ReadTestSettings({{L"UserSetting", L"fontStrEn", longText},
                      {L"UserSetting", L"fontStrJp", L"two\\nlines"},
                      {L"UserSetting", L"fontTextEn", L"back\\\\nslash"},
                      {L"UserSetting", L"fontTextJp", L"a\\nb\\nc"},
                      {L"SystemSetting", L"listType", L"LIST"},
                      {L"SystemSetting", L"dirD", L"D:\\photos 100%"},
                      {L"SystemSetting", L"dir", L""}});
    EXPECT_EQ(std::wstring(fontStrEn), std::wstring(63, L'x'));
    EXPECT_STREQ(fontStrJp, L"two\nlines");
    EXPECT_STREQ(fontTextEn, L"back\\\nslash");
    EXPECT_STREQ(fontTextJp, L"a\nb\nc");
    EXPECT_EQ(iconView, 0);
    EXPECT_STREQ(driveDirs[3], L"D:\\photos 100%");
    wchar_t dir[kPathChars] = L"unset";
    ReadStartFolderSetting(dir);
    EXPECT_STREQ(dir, L"");
}

// Outside programs named relative to the starting folder are kept as full
// paths: the process's current folder changes later.
TEST(SettingsFile, RelativeProgramPathsAreMadeFull) {
    TempFolder start;
    ASSERT_TRUE(MakeFolder(start / L"tools"));
    ASSERT_TRUE(WriteText(start / L"tools\\bridge.exe", "MZ"));
    ASSERT_TRUE(WriteText(start / L"7z.exe", "MZ"));
    wchar_t saved[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(start.path().c_str());
    ReadTestSettings({{L"UserSetting", L"chrome.exe", L"tools\\bridge.exe"},
                      {L"UserSetting", L"7z.exe", L"7z.exe"},
                      {L"UserSetting", L"Qav.exe", L"not here.exe"}});
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(std::wstring(browserPath), start / L"tools\\bridge.exe");
    EXPECT_EQ(std::wstring(sevenZipPath), start / L"7z.exe");
    EXPECT_STREQ(viewerPath, L"not here.exe") << "a name that is no file here is left to the program search";
    ReadTestSettings({});
}

TEST(SettingsFile, ExtensionProgramLookupIgnoresCase) {
    WriteTestSettings({{L"UserSetting", L".mp4", L"C:\\Players\\play.exe"}, {L"UserSetting", L".txt", L"notepad.exe"}});
    SetSettingsPath();
    wchar_t program[kPathChars] = L"unset";
    ReadExtensionProgram(L"C:\\videos\\MOVIE.MP4", program);
    EXPECT_STREQ(program, L"C:\\Players\\play.exe");
    ReadExtensionProgram(L"C:\\notes\\a.b.txt", program);
    EXPECT_STREQ(program, L"notepad.exe");
    ReadExtensionProgram(L"C:\\notes\\readme", program);
    EXPECT_STREQ(program, L"");
    ReadExtensionProgram(L"C:\\pics\\a.png", program);
    EXPECT_STREQ(program, L"");
}
