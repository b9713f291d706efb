// Starts Zuv on a folder and watches it from another process, as a user
// would: when the list appears, when the first item shows its picture, when
// the run ends (its cache save begins) and when the last cache file is
// written; then F5 revisits in the same process, and the memory of it.
//   folder_probe ZUV_EXE FOLDER FILES REVISITS
// FILES is the number of cache files a completed run writes. Times are in
// milliseconds from the start of the process (or from the F5 press).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "../bench_clock.h"

namespace {

ULONGLONG SystemTime() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

struct FindWindowOf {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* f = reinterpret_cast<FindWindowOf*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[32] = L"";
    GetClassNameW(hwnd, cls, 32);
    if (pid == f->pid && wcscmp(cls, L"Zuv") == 0) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

LRESULT Ask(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, 5000, &result)) return -1;
    return static_cast<LRESULT>(result);
}

// Cache files written since `since` (file times), and whether any exist.
int CacheFilesSince(const std::wstring& cache, ULONGLONG since) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((cache + L"\\*.Zuv.*.ico").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        ULONGLONG t = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
        if (t >= since) ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

// The centre of item 0's icon on the screen, through a rectangle in the
// watched process.
bool FirstIconPoint(HANDLE process, HWND list, POINT* point) {
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return false;
    RECT rect = {LVIR_ICON, 0, 0, 0};
    SIZE_T moved = 0;
    bool ok = WriteProcessMemory(process, remote, &rect, sizeof(rect), &moved) &&
              Ask(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(remote)) > 0 &&
              ReadProcessMemory(process, remote, &rect, sizeof(rect), &moved);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (!ok) return false;
    point->x = (rect.left + rect.right) / 2;
    point->y = (rect.top + rect.bottom) / 2;
    ClientToScreen(list, point);
    return true;
}

COLORREF ScreenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

size_t MiB(SIZE_T bytes) {
    return bytes / (1024 * 1024);
}

struct TVisit {
    double allPictures = -1;  // the run's end: its save writes the first file
    double lastCacheFile = -1;
};

// Waits for the save that follows a completed run: the first and the last of
// `files` cache files written after `since`.
TVisit WatchSave(const std::wstring& cache, ULONGLONG since, double start, int files, double limitMs) {
    TVisit visit;
    while (Now() - start < limitMs) {
        int written = CacheFilesSince(cache, since);
        if (written > 0 && visit.allPictures < 0) visit.allPictures = Now() - start;
        if (written >= files) {
            visit.lastCacheFile = Now() - start;
            break;
        }
        Sleep(visit.allPictures < 0 ? 2 : 10);
    }
    return visit;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        fwprintf(stderr, L"usage: folder_probe ZUV_EXE FOLDER FILES REVISITS\n");
        return 2;
    }
    std::wstring exe = argv[1];
    std::wstring folder = argv[2];
    int files = _wtoi(argv[3]);
    int revisits = _wtoi(argv[4]);
    std::wstring cache = folder + L"\\Zuv_CACHE";
    const double limitMs = 1200000;

    std::wstring commandLine = L"\"" + exe + L"\" \"" + folder + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ULONGLONG since = SystemTime();
    double start = Now();
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        fwprintf(stderr, L"probe: cannot start %ls\n", exe.c_str());
        return 1;
    }

    // The main window exists before its children do (they are made while it is created).
    FindWindowOf f = {pi.dwProcessId, nullptr};
    HWND list = nullptr;
    while (!list && Now() - start < 30000) {
        if (!f.found) EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&f));
        if (f.found) list = GetDlgItem(f.found, 1001);
        if (!list) Sleep(2);
    }
    if (!list) {
        fwprintf(stderr, L"probe: no main window\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    double listShown = -1;
    while (Now() - start < 30000) {
        if (Ask(list, LVM_GETITEMCOUNT, 0, 0) > 0 && IsWindowVisible(f.found)) {
            listShown = Now() - start;
            break;
        }
        Sleep(1);
    }

    // The first item's picture: its icon's centre leaves the list's background.
    double firstPicture = -1;
    POINT point = {};
    COLORREF background = static_cast<COLORREF>(Ask(list, LVM_GETBKCOLOR, 0, 0));
    if (FirstIconPoint(pi.hProcess, list, &point)) {
        while (Now() - start < limitMs) {
            COLORREF c = ScreenPixel(point);
            if (c != CLR_INVALID && c != background) {
                firstPicture = Now() - start;
                break;
            }
            if (CacheFilesSince(cache, since) > 0) break;  // the run ended unseen
            Sleep(1);
        }
    }
    TVisit visit = WatchSave(cache, since, start, files, limitMs);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(pi.hProcess, &memory, sizeof(memory));
    wprintf(L"visit    list %8.0f  first picture %8.0f  all pictures %8.0f  last cache file %8.0f  "
            L"memory %zu MiB\n",
            listShown, firstPicture, visit.allPictures, visit.lastCacheFile, MiB(memory.WorkingSetSize));
    fflush(stdout);

    for (int r = 1; r <= revisits; ++r) {
        Sleep(300);
        ULONGLONG pressed = SystemTime();
        double t0 = Now();
        PostMessageW(list, WM_KEYDOWN, VK_F5, 0x003F0001);
        PostMessageW(list, WM_KEYUP, VK_F5, 0xC03F0001);
        TVisit again = WatchSave(cache, pressed, t0, files, limitMs);
        GetProcessMemoryInfo(pi.hProcess, &memory, sizeof(memory));
        wprintf(L"F5 %-4d  all pictures %8.0f  last cache file %8.0f  memory %zu MiB\n", r, again.allPictures,
                again.lastCacheFile, MiB(memory.WorkingSetSize));
        fflush(stdout);
    }
    GetProcessMemoryInfo(pi.hProcess, &memory, sizeof(memory));
    wprintf(L"peak memory %zu MiB\n", MiB(memory.PeakWorkingSetSize));

    PostMessageW(f.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}
