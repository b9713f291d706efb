// Plays a browser that takes its screenshot: after a short while it writes
// the picture kept beside the page ("<page>.png") to the --screenshot path,
// so that calls made at once overlap without depending on a real browser's
// speed.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return 1;
    const wchar_t prefix[] = L"--screenshot=";
    std::wstring shot;
    for (int i = 1; i < count; ++i) {
        if (wcsncmp(args[i], prefix, wcslen(prefix)) == 0) shot = args[i] + wcslen(prefix);
    }
    std::wstring picture = count > 1 ? std::wstring(args[count - 1]) + L".png" : std::wstring();
    LocalFree(args);
    if (shot.empty() || picture.empty()) return 1;
    Sleep(300);
    return CopyFileW(picture.c_str(), shot.c_str(), FALSE) ? 0 : 1;
}
