// Starts a real program of the build as a child process and finds its window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class ChildProgram {
public:
    ChildProgram() = default;
    ~ChildProgram();  // terminates a program that still runs
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // exe: full path; arguments: the rest of the command line (already quoted);
    // flags: CreateProcess creation flags (DETACHED_PROCESS starts it
    // without a console, as from Explorer).
    bool Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& currentFolder = L"",
               DWORD flags = 0);
    // The first visible top-level window of the process with that class.
    HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs = 20000);
    // Polls the condition until it holds, the program ends or the time runs
    // out; the condition's last value.
    bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);
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

// The first visible child window of that class (for example the list view
// or the path box of a program's main window).
HWND VisibleChildWindow(HWND parent, const wchar_t* className);
// A key press posted to a window of another program, so that it goes through
// that program's message loop (accelerators, translation) as a real one.
void PostKeyPress(HWND window, UINT key);
// The text of another program's window, asked for with a time-out, so that
// a program that hangs does not hang the caller; empty then.
std::wstring ChildWindowText(HWND window);
