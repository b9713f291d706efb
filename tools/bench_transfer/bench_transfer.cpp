// bench_transfer copy|move FOLDER NAME TARGET: lists FOLDER into a list view,
// selects the item NAME and copies or moves it into the existing folder
// TARGET as the C and M keys do. Prints the time of the operation and the
// time until the list shows the change: for a move, when the item has left
// the list; for a copy, once TARGET has been listed with the new item.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "fileops/selection_transfer.h"
#include "shell/folder_listing.h"
#include "shell/main_state.h"

namespace {

double Milliseconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: bench_transfer copy|move FOLDER NAME TARGET\n");
        return 2;
    }
    bool move = lstrcmpiW(argv[1], L"move") == 0;
    InitCommonControls();
    HWND frame = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 640, 360, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    listView = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                               WS_CHILD | WS_VISIBLE | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | LVS_ICON, 0, 20, 620, 300,
                               frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    lstrcpynW(currentDir, argv[2], kPathChars);
    ListFolder(listView, currentDir, 1);
    int index = FindItemByName(argv[3], -1);
    if (index < 0) {
        std::fprintf(stderr, "bench_transfer: no item %ls in %ls\n", argv[3], argv[2]);
        return 1;
    }
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = item.stateMask;
    SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    lstrcpynW(inputText, argv[4], kPathChars);
    int before = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));

    LARGE_INTEGER start, done, shown;
    QueryPerformanceCounter(&start);
    if (move) {
        MoveSelectionToTypedFolder(frame, TakeSelection());
    } else {
        CopySelectionToTypedFolder(frame, TakeSelection());
    }
    QueryPerformanceCounter(&done);
    bool changed;
    if (move) {
        changed = SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0) == before - 1;
    } else {
        ListFolder(listView, argv[4], 1);
        changed = FindItemByName(argv[3], -1) >= 0;
    }
    QueryPerformanceCounter(&shown);
    std::printf("%s: operation %.1f ms, list shows the change after %.1f ms%s\n", move ? "move" : "copy",
                Milliseconds(start, done), Milliseconds(start, shown), changed ? "" : " (NO CHANGE SEEN)");
    DestroyWindow(frame);
    return changed ? 0 : 1;
}
