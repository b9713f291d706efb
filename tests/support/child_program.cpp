#include "support/child_program.h"

#include <shlwapi.h>

#include <vector>

#include "support/test_files.h"

ChildProgram::~ChildProgram() {
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
        CloseHandle(info_.hProcess);
    }
    if (info_.hThread) CloseHandle(info_.hThread);
}

bool ChildProgram::Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& currentFolder,
                         DWORD flags) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, flags, nullptr,
                          currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &info_) != 0;
}

namespace {
struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    if (owner == search->processId && IsWindowVisible(window) &&
        (!search->className || wcscmp(name, search->className) == 0)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND ChildProgram::WaitForWindow(const wchar_t* className, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        WindowSearch search = {info_.dwProcessId, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (WaitForSingleObject(info_.hProcess, 50) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
}

bool ChildProgram::WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (WaitForSingleObject(info_.hProcess, 20) != WAIT_TIMEOUT) return condition();
        if (GetTickCount() - start >= timeoutMs) return false;
    }
    return true;
}

bool ChildProgram::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

std::wstring ZuvPlainExe() { return JoinPath(BuildFolder(), L"Zuv_plain.exe"); }
std::wstring ZuvExe() { return JoinPath(BuildFolder(), L"Zuv.exe"); }
std::wstring PdfiumStandInDll() { return JoinPath(BuildFolder(), L"tools\\pdfium_standin\\pdfium.dll"); }

std::wstring CopyProgramInto(const std::wstring& exe, const std::wstring& folder) {
    std::wstring target = JoinPath(folder, PathFindFileNameW(exe.c_str()));
    CopyFileW(exe.c_str(), target.c_str(), FALSE);
    return target;
}

bool RunTestsWithoutConsole(const std::wstring& filter, const wchar_t* variable, const std::wstring& value,
                            DWORD timeoutMs, DWORD* exitCode) {
    wchar_t exe[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --gtest_color=no \"--gtest_filter=" + filter + L"\"";
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    // Everything the copy starts dies with the job, even what hangs.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) return false;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    SetEnvironmentVariableW(variable, value.c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessW(exe, buffer.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS | CREATE_SUSPENDED,
                                  nullptr, nullptr, &startup, &info);
    SetEnvironmentVariableW(variable, nullptr);
    if (!started) {
        CloseHandle(job);
        return false;
    }
    AssignProcessToJobObject(job, info.hProcess);
    ResumeThread(info.hThread);
    bool ended = WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (ended && exitCode) GetExitCodeProcess(info.hProcess, exitCode);
    TerminateJobObject(job, 99);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(job);
    return ended;
}

namespace {
struct ChildSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchVisibleChild(HWND window, LPARAM param) {
    ChildSearch* search = reinterpret_cast<ChildSearch*>(param);
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    if (IsWindowVisible(window) && wcscmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND VisibleChildWindow(HWND parent, const wchar_t* className) {
    ChildSearch search = {className, nullptr};
    EnumChildWindows(parent, MatchVisibleChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PostKeyPress(HWND window, UINT key) {
    LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(window, WM_KEYDOWN, key, 1 | scanCode);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001 | scanCode);
}

std::wstring ChildWindowText(HWND window) {
    wchar_t text[MAX_PATH] = L"";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                             &copied)) {
        return L"";
    }
    return text;
}
