#include "thumbnails/renderers/html_screenshot.h"

#include <shlwapi.h>

#include <cwchar>

#include "thumbnails/renderers/image_decoding.h"

namespace {

constexpr int kPath = MAX_PATH;
constexpr int kShotSize = 640;

}  // namespace

bool MakeScreenshotPath(wchar_t* screenshot, const wchar_t* folder, const wchar_t* path, DWORD processId,
                        DWORD threadId, LONG call) {
    wchar_t name[kPath];
    lstrcpynW(name, path, kPath);
    PathStripPathW(name);
    PathRemoveExtensionW(name);
    // An abandoned worker, its successor, the preview and a second instance
    // may all take a screenshot of a page of the same name at once, and a
    // browser that was given up on may still write one late.
    wchar_t tag[48];
    swprintf(tag, 48, L".%lu-%lu-%ld.png", static_cast<unsigned long>(processId),
             static_cast<unsigned long>(threadId), static_cast<long>(call));
    size_t fixed = wcslen(folder) + 1 + wcslen(tag);
    if (fixed >= static_cast<size_t>(kPath)) return false;
    size_t room = kPath - 1 - fixed;
    if (wcslen(name) > room) name[room] = 0;  // a long name is cut, the tag kept
    wcscat(name, tag);
    return PathCombineW(screenshot, folder, name) != nullptr;
}

void MakeBrowserCommandLine(wchar_t* commandLine, size_t chars, const wchar_t* browser, const wchar_t* screenshot,
                            const wchar_t* path) {
    swprintf(commandLine, chars, L"\"%ls\" --headless --window-size=%d,%d --screenshot=\"%ls\" \"%ls\"", browser,
             kShotSize, kShotSize, screenshot, path);
}

HBITMAP RenderHtmlScreenshot(const wchar_t* browser, const wchar_t* path) {
    wchar_t temp[kPath] = L"";
    DWORD length = GetTempPathW(kPath, temp);
    wchar_t folder[kPath] = L"";
    if (length == 0 || length >= static_cast<DWORD>(kPath) || !PathCombineW(folder, temp, L"Zuv")) return nullptr;
    CreateDirectoryW(folder, nullptr);
    // Process-wide and not changed back: nothing else in the program
    // resolves a relative path.
    SetCurrentDirectoryW(folder);

    wchar_t screenshot[kPath];
    static LONG calls = 0;
    LONG call = InterlockedIncrement(&calls);
    if (!MakeScreenshotPath(screenshot, folder, path, GetCurrentProcessId(), GetCurrentThreadId(), call)) {
        return nullptr;
    }
    wchar_t commandLine[4 * kPath + 64];
    MakeBrowserCommandLine(commandLine, sizeof(commandLine) / sizeof(commandLine[0]), browser, screenshot, path);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, folder,
                        &startup, &started)) {
        return nullptr;
    }
    if (WaitForSingleObject(started.hProcess, kBrowserWaitMs) == WAIT_TIMEOUT) {
        TerminateProcess(started.hProcess, 0);
        // Ending is asynchronous; the file must be free before it is read and deleted.
        WaitForSingleObject(started.hProcess, 1000);
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);

    HBITMAP picture = LoadImageFile(screenshot);
    DeleteFileW(screenshot);
    return picture;
}
