// Plays a per-extension program: logs its command line and current folder.
#include <windows.h>

#include "standin_log.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    AppendLogLine(L"args", GetCommandLineW());
    wchar_t folder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, folder);
    AppendLogLine(L"cwd", folder);
    return 0;
}
