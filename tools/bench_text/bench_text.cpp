// bench_text FILE|FOLDER [SIZE]: makes the text step's tile of one file, or
// of every file in FOLDER, and prints milliseconds per file and the peak
// working set of the process.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../bench_clock.h"
#include "thumbnails/worker_renderers.h"

namespace {

std::vector<std::wstring> Files(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {path};
    std::vector<std::wstring> paths;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return paths;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) paths.push_back(path + L"\\" + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return paths;
}

double PeakMiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return -1;
    return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_text FILE|FOLDER [SIZE]\n");
        return 2;
    }
    int size = argc > 2 ? _wtoi(argv[2]) : 128;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<std::wstring> files = Files(argv[1]);
    if (files.empty()) {
        fprintf(stderr, "bench_text: no files\n");
        return 1;
    }
    printf("peak working set before: %.1f MiB\n", PeakMiB());
    int drawn = 0;
    double start = Now();
    for (const std::wstring& file : files) {
        HBITMAP tile = WorkerTextFile(file.c_str(), size, size, L"");
        if (tile) {
            ++drawn;
            DeleteObject(tile);
        }
    }
    double took = Now() - start;
    printf("text step: %d files (%d tiles), %.2f ms/file, %.0f ms in all\n", static_cast<int>(files.size()), drawn,
           took / files.size(), took);
    printf("peak working set after: %.1f MiB\n", PeakMiB());
    CoUninitialize();
    return 0;
}
