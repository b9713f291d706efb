// Takes a screenshot of an HTML page with Debian's chromium for a Windows
// program running under Wine. Accepts the command line
//   browser_bridge.exe --headless --window-size=W,H --screenshot="C:\out.png" "C:\page.html"
// turns the two Windows paths into Unix paths, runs chromium through /bin/sh
// and exits with chromium's exit code once it has ended.
//
// Wine starts a Unix program without a process handle and without its output,
// so the shell script writes chromium's exit code to a marker file that this
// program polls. The script bounds chromium's run within the caller's wait,
// so a hung browser does not outlive a caller that has given up on it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The browser's whole run, its start and its ending included, lies inside
// the 5 s that Zuv waits: Wine cannot end the shell script with this
// program, so a run that went on would write its screenshot and marker
// after Zuv has given up. chromium gets 3.5 s and 0.5 s more to end.
const char kChromiumCap[] = "timeout -k 0.5 3.5";
const DWORD kGiveUpMs = 4600;

// Wine's own conversion; absent on Windows.
std::string UnixPath(const std::wstring& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return "";
    char* unix = convert(path.c_str());
    if (!unix) return "";
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Single quotes for sh: every character stands for itself.
std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

// Unix paths are UTF-8 under Wine.
std::wstring FromUtf8(const std::string& text) {
    int chars = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (chars <= 0) return L"";
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], chars);
    wide.resize(static_cast<size_t>(chars) - 1);
    return wide;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix, std::wstring* rest) {
    size_t length = wcslen(prefix);
    if (text.compare(0, length, prefix) != 0) return false;
    *rest = text.substr(length);
    return true;
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

// The exit code written into the marker, or -1 while it is not there.
int ReadMarker(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    char text[16] = "";
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
    CloseHandle(file);
    text[read] = 0;
    return atoi(text);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return 2;
    std::wstring size = L"640,640";
    std::wstring screenshot;
    std::wstring page;
    for (int i = 1; i < count; ++i) {
        std::wstring arg = args[i];
        std::wstring value;
        if (StartsWith(arg, L"--window-size=", &value)) {
            size = value;
        } else if (StartsWith(arg, L"--screenshot=", &value)) {
            screenshot = value;
        } else if (arg.compare(0, 2, L"--") != 0) {
            page = arg;
        }
    }
    LocalFree(args);
    if (screenshot.empty() || page.empty()) return 2;
    for (wchar_t c : size) {
        if (c != L',' && (c < L'0' || c > L'9')) return 2;
    }

    // The script and its marker lie beside the screenshot, in the caller's
    // own work folder.
    std::wstring script = screenshot + L".sh";
    std::wstring marker = screenshot + L".done";
    DeleteFileW(marker.c_str());
    std::string unixShot = UnixPath(screenshot);
    std::string unixPage = UnixPath(page);
    std::string unixScript = UnixPath(script);
    std::string unixMarker = UnixPath(marker);
    if (unixShot.empty() || unixPage.empty() || unixScript.empty() || unixMarker.empty()) return 3;

    std::string text =
        "profile=$(mktemp -d) || exit 1\n" +
        std::string(kChromiumCap) +
        " chromium --headless --no-sandbox --disable-gpu --hide-scrollbars"
        " --window-size=" + std::string(size.begin(), size.end()) +
        " --screenshot=" + ShellQuoted(unixShot) +
        // Off the network: no name resolves, every connection goes to a
        // closed port, and none of the browser's own background traffic runs.
        " '--host-resolver-rules=MAP * ~NOTFOUND' --proxy-server=127.0.0.1:9 '--proxy-bypass-list=<-loopback>'"
        " --disable-background-networking --disable-component-update --disable-sync --disable-default-apps"
        " --disable-extensions --disable-breakpad --disable-domain-reliability --no-pings --no-first-run"
        " --no-default-browser-check --user-data-dir=\"$profile\" " + ShellQuoted(unixPage) +
        " >/dev/null 2>&1 </dev/null\n"
        "code=$?\n"
        "rm -rf \"$profile\" \"$0\"\n"
        "echo $code >" + ShellQuoted(unixMarker + ".part") + " && mv " + ShellQuoted(unixMarker + ".part") + " " +
        ShellQuoted(unixMarker) + "\n";
    if (!WriteFileText(script, text)) return 3;

    std::wstring commandLine = L"Z:\\bin\\sh \"" + FromUtf8(unixScript) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        DeleteFileW(script.c_str());
        return 4;
    }
    if (started.hThread) CloseHandle(started.hThread);
    if (started.hProcess) CloseHandle(started.hProcess);

    int code = -1;
    DWORD start = GetTickCount();
    while ((code = ReadMarker(marker)) < 0 && GetTickCount() - start < kGiveUpMs) Sleep(20);
    DeleteFileW(marker.c_str());
    DeleteFileW(script.c_str());
    return code < 0 ? 5 : code;
}
