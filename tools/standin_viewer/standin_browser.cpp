// Plays a browser that never finishes: logs its command line, then waits
// until it is ended from outside.
#include <windows.h>

#include "standin_log.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    AppendLogLine(L"args", GetCommandLineW());
    Sleep(INFINITE);
    return 0;
}
