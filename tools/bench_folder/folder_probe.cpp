// Starts Zuv on a folder and watches it from another process, as a user
// would: when the list appears, when the first item shows its picture, when
// the last item shows its picture (the list is scrolled to it), when the
// worker thread ends (its cache save done) and how many cache files it
// wrote; then F5 revisits in the same process, and the memory of it.
//   folder_probe ZUV_EXE FOLDER ITEMS REVISITS
//   folder_probe ZUV_EXE FOLDER ITEMS startup
// The second form times only the start: the list shown, the list view's
// client area painted in its background colour, and the main window's first
// answer to a message and its first five quick answers in a row.
// ITEMS is the number of items the folder lists. Times are in milliseconds
// from the start of the process (or from the F5 press); -1 is a moment not
// seen. Every wait is bounded: a run that never ends, or a picture that never
// shows, is reported as such instead of keeping the probe waiting (a save
// that writes nothing once left it waiting for files for 20 minutes).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

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

// The centre of an item's icon on the screen, through a rectangle in the
// watched process.
bool IconPoint(HANDLE process, HWND list, int item, POINT* point) {
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return false;
    RECT rect = {LVIR_ICON, 0, 0, 0};
    SIZE_T moved = 0;
    bool ok = WriteProcessMemory(process, remote, &rect, sizeof(rect), &moved) &&
              Ask(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(remote)) > 0 &&
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

ULONGLONG FileTimeValue(const FILETIME& ft) {
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// The first thread of the process created at or after `since` (system time)
// other than `skip`: the worker that the start or the F5 press began. The
// handle is the caller's; null when there is none yet.
HANDLE FirstThreadSince(DWORD pid, DWORD skip, ULONGLONG since) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    HANDLE best = nullptr;
    ULONGLONG bestTime = ~0ull;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid || entry.th32ThreadID == skip) continue;
        HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        FILETIME created, exited, kernel, user;
        ULONGLONG t = GetThreadTimes(thread, &created, &exited, &kernel, &user) ? FileTimeValue(created) : 0;
        if (t >= since && t < bestTime) {
            if (best) CloseHandle(best);
            best = thread;
            bestTime = t;
        } else {
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
    return best;
}

struct TVisit {
    double allPictures = -1;  // the last item's picture on the screen
    double runEnd = -1;       // the worker thread has ended, its save included
    int filesWritten = 0;
};

// Watches one run from `start` on: finds its worker (created after `since`),
// scrolls to the last item and waits for its picture and for the worker's end.
TVisit WatchRun(HANDLE process, DWORD pid, DWORD mainThread, HWND list, int items, const std::wstring& cache,
                ULONGLONG since, double start, double limitMs) {
    TVisit visit;
    HANDLE worker = nullptr;
    while (!worker && Now() - start < 10000) {
        worker = FirstThreadSince(pid, mainThread, since);
        if (!worker) Sleep(1);
    }
    POINT last = {};
    bool lastSeen = false;
    COLORREF background = static_cast<COLORREF>(Ask(list, LVM_GETBKCOLOR, 0, 0));
    if (items > 0 && Ask(list, LVM_ENSUREVISIBLE, items - 1, FALSE) > 0) lastSeen = IconPoint(process, list, items - 1, &last);
    // The last item shows the previous run's picture until the new run has
    // emptied the list: its own picture counts only after the empty tile.
    bool emptySeen = false;
    while (Now() - start < limitMs) {
        bool ended = !worker || WaitForSingleObject(worker, 0) == WAIT_OBJECT_0;
        if (ended && visit.runEnd < 0) visit.runEnd = Now() - start;
        if (lastSeen && visit.allPictures < 0) {
            COLORREF c = ScreenPixel(last);
            if (c == background) emptySeen = true;
            if (emptySeen && c != CLR_INVALID && c != background) visit.allPictures = Now() - start;
        }
        // The picture that never comes is given a second after the run ended.
        if (ended && (visit.allPictures >= 0 || !lastSeen || Now() - start > visit.runEnd + 1000)) break;
        Sleep(1);
    }
    if (worker) CloseHandle(worker);
    visit.filesWritten = CacheFilesSince(cache, since);
    return visit;
}

}  // namespace

// A message the main window has answered, and how long the answer took.
double AnswerMs(HWND window, DWORD timeoutMs) {
    double t0 = Now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result)) return -1;
    return Now() - t0;
}

int StartupProbe(HANDLE process, HWND window, HWND list, double start, double listShown) {
    // Painted: a point inside the list view, away from the items, shows its background.
    COLORREF background = static_cast<COLORREF>(Ask(list, LVM_GETBKCOLOR, 0, 0));
    RECT client = {};
    GetClientRect(list, &client);
    POINT corner = {client.right - 4, client.bottom - 4};
    ClientToScreen(list, &corner);
    double painted = -1;
    double firstAnswer = -1;
    double steady = -1;
    int quickInRow = 0;
    while (Now() - start < 60000 && steady < 0) {
        if (painted < 0 && ScreenPixel(corner) == background) painted = Now() - start;
        double took = AnswerMs(window, 100);
        if (took >= 0 && firstAnswer < 0) firstAnswer = Now() - start;
        quickInRow = took >= 0 && took < 50 ? quickInRow + 1 : 0;
        if (quickInRow == 5) steady = Now() - start;
        Sleep(1);
    }
    wprintf(L"start-up list %6.0f  painted %6.0f  first answer %6.0f  five quick answers %6.0f  (items %d)\n",
            listShown, painted, firstAnswer, steady, static_cast<int>(Ask(list, LVM_GETITEMCOUNT, 0, 0)));
    fflush(stdout);
    (void)process;
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        fwprintf(stderr, L"usage: folder_probe ZUV_EXE FOLDER ITEMS REVISITS\n");
        return 2;
    }
    std::wstring exe = argv[1];
    std::wstring folder = argv[2];
    int items = _wtoi(argv[3]);
    bool startupOnly = wcscmp(argv[4], L"startup") == 0;
    int revisits = startupOnly ? 0 : _wtoi(argv[4]);
    std::wstring cache = folder + L"\\Zuv_CACHE";
    const double limitMs = 600000;

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

    if (startupOnly) {
        StartupProbe(pi.hProcess, f.found, list, start, listShown);
        PostMessageW(f.found, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return 0;
    }

    // The first item's picture: its icon's centre leaves the list's background.
    double firstPicture = -1;
    POINT point = {};
    COLORREF background = static_cast<COLORREF>(Ask(list, LVM_GETBKCOLOR, 0, 0));
    HANDLE worker = FirstThreadSince(pi.dwProcessId, pi.dwThreadId, since);
    if (IconPoint(pi.hProcess, list, 0, &point)) {
        while (Now() - start < limitMs) {
            COLORREF c = ScreenPixel(point);
            if (c != CLR_INVALID && c != background) {
                firstPicture = Now() - start;
                break;
            }
            if (!worker || WaitForSingleObject(worker, 0) == WAIT_OBJECT_0) break;  // the run ended unseen
            Sleep(1);
        }
    }
    if (worker) CloseHandle(worker);
    TVisit visit = WatchRun(pi.hProcess, pi.dwProcessId, pi.dwThreadId, list, items, cache, since, start, limitMs);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(pi.hProcess, &memory, sizeof(memory));
    wprintf(L"visit    list %6.0f  first picture %6.0f  last picture %6.0f  run end %6.0f  files written %5d  "
            L"memory %zu MiB\n",
            listShown, firstPicture, visit.allPictures, visit.runEnd, visit.filesWritten,
            MiB(memory.WorkingSetSize));
    fflush(stdout);

    for (int r = 1; r <= revisits; ++r) {
        Sleep(300);
        ULONGLONG pressed = SystemTime();
        double t0 = Now();
        PostMessageW(list, WM_KEYDOWN, VK_F5, 0x003F0001);
        PostMessageW(list, WM_KEYUP, VK_F5, 0xC03F0001);
        TVisit again = WatchRun(pi.hProcess, pi.dwProcessId, pi.dwThreadId, list, items, cache, pressed, t0, limitMs);
        GetProcessMemoryInfo(pi.hProcess, &memory, sizeof(memory));
        wprintf(L"F5 %-4d                            last picture %6.0f  run end %6.0f  files written %5d  "
                L"memory %zu MiB\n",
                r, again.allPictures, again.runEnd, again.filesWritten, MiB(memory.WorkingSetSize));
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
