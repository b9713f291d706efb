// Starts a real program of the build as a child process and finds its window.
#pragma once

#include <windows.h>

#include <string>

class ChildProgram {
public:
    ChildProgram() = default;
    ~ChildProgram();  // terminates a program that still runs
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // exe: full path; arguments: the rest of the command line (already quoted).
    bool Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& currentFolder = L"");
    // The first visible top-level window of the process with that class.
    HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs = 20000);
    // Waits for the process to end; false on time-out.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    DWORD processId() const { return info_.dwProcessId; }
    HANDLE process() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_ = {};
};

// The build's programs.
std::wstring ZuvPlainExe();
std::wstring ZuvExe();
std::wstring PdfiumStandInDll();

// Copies a program into a folder (with the files named beside it) so that it
// runs with its own settings file there.
std::wstring CopyProgramInto(const std::wstring& exe, const std::wstring& folder);

// Runs tests of this test program (a GoogleTest filter) in a copy of it
// that has no console, with one environment variable set for it, and waits
// for it and everything it started; false when it has not ended within
// timeoutMs, when it and all it started are ended. *exitCode is
// GoogleTest's result.
bool RunTestsWithoutConsole(const std::wstring& filter, const wchar_t* variable, const std::wstring& value,
                            DWORD timeoutMs, DWORD* exitCode);
