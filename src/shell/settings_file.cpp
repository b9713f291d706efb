#include "shell/settings_file.h"

#include <shlwapi.h>
#include <strsafe.h>

#include "resources/resource.h"
#include "shell/main_state.h"
#include "shell/settings_menu.h"

namespace {

constexpr wchar_t kSystem[] = L"SystemSetting";
constexpr wchar_t kUser[] = L"UserSetting";

int ReadInt(const wchar_t* section, const wchar_t* key, int fallback) {
    return static_cast<int>(GetPrivateProfileIntW(section, key, fallback, iniPath));
}

void ReadText(const wchar_t* section, const wchar_t* key, const wchar_t* fallback, wchar_t* buffer, DWORD size) {
    GetPrivateProfileStringW(section, key, fallback, buffer, size, iniPath);
}

int ReadSwitch(const wchar_t* key, const wchar_t* fallback) {
    wchar_t text[kPathChars] = L"";
    ReadText(kSystem, key, fallback, text, kPathChars);
    return SwitchFromText(text);
}

// A switch and the check mark of its menu item.
int ReadToggle(const wchar_t* key, const wchar_t* fallback, UINT menuId) {
    int value = ReadSwitch(key, fallback);
    SetSettingsCheck(menuId, value);
    return value;
}

// A program named relative to the folder Zuv was started in keeps naming it
// after the process's current folder has changed (HTML screenshots,
// per-extension programs). Other names are left for the program search.
void MakeProgramPathFull(wchar_t* path) {
    if (!path[0] || !PathIsRelativeW(path) || !PathFileExistsW(path)) return;
    wchar_t full[kPathChars];
    DWORD length = GetFullPathNameW(path, kPathChars, full, nullptr);
    if (length > 0 && length < static_cast<DWORD>(kPathChars)) StringCchCopyW(path, kPathChars, full);
}

void ExpandInPlace(wchar_t* buffer, size_t size) {
    std::wstring expanded = ExpandNewlineEscapes(buffer);
    StringCchCopyW(buffer, size, expanded.c_str());
}

void WriteText(const wchar_t* key, const wchar_t* value) {
    WritePrivateProfileStringW(kSystem, key, value, iniPath);
}

void WriteInt(const wchar_t* key, int value) {
    wchar_t text[16];
    StringCchPrintfW(text, 16, L" %d", value);
    WriteText(key, text);
}

const wchar_t* const kDriveKeys[9] = {L"dirA", L"dirB", L"dirC", L"dirD", L"dirE",
                                      L"dirF", L"dirG", L"dirH", L"dirI"};

}  // namespace

void SetSettingsPath() {
    GetModuleFileNameW(nullptr, iniPath, kPathChars);
    PathRenameExtensionW(iniPath, L".ini");
}

void ReadSettings(HWND window) {
    windowX = ReadInt(kSystem, L"x", 10);
    windowY = ReadInt(kSystem, L"y", 10);
    windowWidth = ReadInt(kSystem, L"width", 640);
    windowHeight = ReadInt(kSystem, L"height", 360);
    SetWindowPos(window, nullptr, windowX, windowY, windowWidth, windowHeight, SWP_NOZORDER);

    iconSize = ReadInt(kSystem, L"iconSize", 128);
    iconSizeSmall = ReadInt(kSystem, L"iconSizeSmall", 128);
    thumbnailWait = ReadInt(kSystem, L"thumbnailWait", 64);
    ReadText(kUser, L"fontStrJp", L"永あア\nAbc01\n☎!?", fontStrJp, 64);
    ReadText(kUser, L"fontStrEn", L"Abc?\n0123!", fontStrEn, 64);
    ReadText(kUser, L"fontStrJpSmall", L"永", fontStrJpSmall, 16);
    ReadText(kUser, L"fontStrEnSmall", L"Abc", fontStrEnSmall, 16);
    ReadText(kUser, L"fontTextJp", L"フォントの世界は永遠です。\nHello, font world! 0123", fontTextJp, 1024);
    ReadText(kUser, L"fontTextEn", L"Hello, font world! 0123", fontTextEn, 1024);
    fontSize = ReadInt(kUser, L"fontSize", 64);
    fontSizeSmall = ReadInt(kUser, L"fontSizeSmall", 64);
    previewX = ReadInt(kSystem, L"preview_x", 10);
    previewY = ReadInt(kSystem, L"preview_y", 10);
    previewWidth = ReadInt(kSystem, L"preview_width", 320);
    previewHeight = ReadInt(kSystem, L"preview_height", 180);
    volume = ReadInt(kSystem, L"volume", 0);
    ReadText(kUser, L"chrome.exe", L"", browserPath, kPathChars);
    ReadText(kUser, L"7z.exe", L"", sevenZipPath, kPathChars);
    maxMB = ReadInt(kUser, L"maxMB", 64);
    ReadText(kUser, L"Qav.exe", L"", viewerPath, kPathChars);
    ReadText(kUser, L"fontName", L"", fontName, kPathChars);
    MakeProgramPathFull(browserPath);
    MakeProgramPathFull(sevenZipPath);
    MakeProgramPathFull(viewerPath);

    hideCache = ReadToggle(L"hideCache", L"ON", ID_SETTINGS_HIDE_CACHE);
    cacheAutoSave = ReadToggle(L"cacheAutoSave", L"OFF", ID_SETTINGS_CACHE_AUTOSAVE);
    speedMode = ReadToggle(L"speedMode", L"OFF", ID_SETTINGS_SPEED);
    darkMode = ReadToggle(L"darkMode", L"ON", ID_SETTINGS_DARK);

    // The file cannot hold a line feed inside a value.
    ExpandInPlace(fontStrJp, 64);
    ExpandInPlace(fontStrEn, 64);
    ExpandInPlace(fontTextJp, 1024);
    ExpandInPlace(fontTextEn, 1024);

    for (int i = 0; i < 9; ++i) {
        wchar_t root[4] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
        ReadText(kSystem, kDriveKeys[i], root, driveDirs[i], kPathChars);
    }
    wchar_t listType[16] = L"";
    ReadText(kSystem, L"listType", L"ICON", listType, 16);
    iconView = _wcsicmp(listType, L"ICON") == 0 ? 1 : 0;
}

void ReadStartFolderSetting(wchar_t* folder) {
    ReadText(kSystem, L"dir", L"C:\\", folder, kPathChars);
}

void WriteSettings(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(window, &placement);
    const RECT& normal = placement.rcNormalPosition;

    WriteText(L"dir", currentDir);
    WriteInt(L"x", normal.left);
    WriteInt(L"y", normal.top);
    WriteInt(L"width", normal.right - normal.left);
    WriteInt(L"height", normal.bottom - normal.top);
    WriteInt(L"iconSize", iconSize);
    WriteInt(L"iconSizeSmall", iconSizeSmall);
    WriteInt(L"thumbnailWait", thumbnailWait);
    WriteText(L"listType", iconView == 1 ? L"ICON" : L"LIST");
    WriteText(L"hideCache", SwitchText(hideCache));
    WriteText(L"cacheAutoSave", SwitchText(cacheAutoSave));
    WriteText(L"speedMode", SwitchText(speedMode));
    WriteText(L"darkMode", SwitchText(darkMode));
    for (int i = 0; i < 9; ++i) WriteText(kDriveKeys[i], driveDirs[i]);
}

void ReadExtensionProgram(const wchar_t* path, wchar_t* program) {
    GetPrivateProfileStringW(kUser, PathFindExtensionW(path), L"", program, kPathChars, iniPath);
}

std::wstring ExpandNewlineEscapes(std::wstring text) {
    size_t at = text.find(L"\\n");
    while (at != std::wstring::npos) {
        text.replace(at, 2, 1, L'\n');
        at = text.find(L"\\n", at);
    }
    return text;
}

int SwitchFromText(const wchar_t* text) {
    return _wcsicmp(text, L"ON") == 0 ? 1 : 0;
}

const wchar_t* SwitchText(int value) {
    return value == 1 ? L"ON" : L"OFF";
}

int MaxBytesFromMB(int maxMB) {
    return static_cast<int>(static_cast<unsigned int>(maxMB) << 20);
}
