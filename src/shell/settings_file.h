// The settings file beside the executable: read once while the main window is
// created, written back when it closes.
#pragma once

#include <windows.h>

#include <string>

// iniPath = the running executable's path with the extension ".ini".
void SetSettingsPath();

// Reads every key up to `listType`, in file order, into the process-wide
// values; places `window` as soon as its geometry is known and sets the check
// marks of the four switches in `settingsMenu`.
void ReadSettings(HWND window);

// The setting `dir` (default "C:\") into a 260-character buffer.
void ReadStartFolderSetting(wchar_t* folder);

// Writes the values the user can change, all to "SystemSetting"; the window
// geometry is the restored placement of `window`.
void WriteSettings(HWND window);

// The program named in "UserSetting" for the extension of `path` (with its
// dot; an empty key for a name without one), empty when there is none.
// `program` holds 260 characters.
void ReadExtensionProgram(const wchar_t* path, wchar_t* program);

// Every backslash followed by the letter n becomes one line feed.
std::wstring ExpandNewlineEscapes(std::wstring text);

// 1 when the text is "ON" in any letter case, else 0.
int SwitchFromText(const wchar_t* text);
// "ON" for 1, "OFF" for anything else.
const wchar_t* SwitchText(int value);

// The archive member limit in bytes: `maxMB` shifted left by 20 bits in 32
// bits, so 2048 and more wrap around.
int MaxBytesFromMB(int maxMB);
