// bench_listing FOLDER [RUNS]: lists FOLDER into a visible icon-view list view
// with thumbnail image lists, RUNS times, and prints each time and the median.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "shell/folder_listing.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_listing FOLDER [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? _wtoi(argv[2]) : 7;
    if (runs < 1) runs = 1;
    InitCommonControls();
    HWND frame = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 640, 360, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                                WS_CHILD | WS_VISIBLE | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | LVS_ICON, 0, 20, 620, 300,
                                frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    HIMAGELIST large = ImageList_Create(128, 128, ILC_COLOR32 | ILC_MASK, 1, 1);
    HIMAGELIST small = ImageList_Create(128, 128, ILC_COLOR32 | ILC_MASK, 1, 1);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    int items = 0;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        ListFolder(list, argv[1], 1);
        QueryPerformanceCounter(&end);
        items = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        times.push_back(ms);
        // What a worker's start asks of the list view: every item redrawn.
        LARGE_INTEGER redrawn, painted, whole;
        SendMessageW(list, LVM_REDRAWITEMS, 0, items - 1);
        QueryPerformanceCounter(&redrawn);
        UpdateWindow(list);
        QueryPerformanceCounter(&painted);
        InvalidateRect(list, nullptr, TRUE);
        UpdateWindow(list);
        QueryPerformanceCounter(&whole);
        auto span = [&](const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
            return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(frequency.QuadPart);
        };
        std::printf("run %d: %.1f ms (%d items); redraw of all items %.1f ms, its paint %.1f ms; "
                    "the whole list invalidated and painted %.1f ms\n",
                    i + 1, ms, items, span(end, redrawn), span(redrawn, painted), span(painted, whole));
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    std::sort(times.begin(), times.end());
    std::printf("median: %.1f ms over %d runs, %d items\n", times[times.size() / 2], runs, items);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    ImageList_Destroy(large);
    ImageList_Destroy(small);
    DestroyWindow(frame);
    return 0;
}
