// bench_archives FOLDER SEVENZIP [SIZE]: runs the worker's archive steps (the
// member's picture, then the archive tile with its badge and mask) on every
// .zip and every .7z file of FOLDER and prints milliseconds per archive.
// Apart from that it times how long the archiver takes to start and end
// with nothing to do, the floor under each of its runs.
#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "shell/main_state.h"
#include "thumbnails/tiles.h"
#include "thumbnails/worker_params.h"
#include "thumbnails/worker_renderers.h"
#include "../bench_clock.h"

namespace {

std::vector<std::wstring> Files(const std::wstring& folder, const wchar_t* extension) {
    std::vector<std::wstring> paths;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return paths;
    do {
        if (lstrcmpiW(PathFindExtensionW(data.cFileName), extension) == 0) paths.push_back(folder + L"\\" + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return paths;
}

// The archiver started as the extractions start it, with no arguments: it
// prints its usage to nowhere and ends.
double ArchiverStart(const std::wstring& archiver) {
    std::wstring commandLine = L"\"" + archiver + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    double t0 = Now();
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    double elapsed = Now() - t0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

struct Badge {
    HICON icon = nullptr;
    ICONINFO info = {};
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: bench_archives FOLDER SEVENZIP [SIZE]\n");
        return 2;
    }
    std::wstring folder = argv[1];
    lstrcpynW(sevenZipPath, argv[2], kPathChars);
    int size = argc > 3 ? _wtoi(argv[3]) : 128;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    TWorkerParams params = {};
    params.iconSize = size;
    params.iconSizeSmall = size;
    params.fontSize = 64;
    params.fontStrJp = L"永あア";
    params.fontStrEn = L"Abc";
    params.maxBytes = 64 << 20;
    params.sevenZipPath = sevenZipPath;

    Badge badge;
    badge.icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ARCHIVE_BADGE), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    if (!badge.icon || !GetIconInfo(badge.icon, &badge.info)) {
        fprintf(stderr, "bench_archives: no archive badge\n");
        return 1;
    }
    HDC screen = GetDC(nullptr);

    struct Kind {
        const wchar_t* extension;
        HBITMAP (*picture)(const wchar_t*, TWorkerParams*, int*);
        const char* name;
    } kinds[] = {{L".zip", WorkerZipPicture, "ZIP (minizip)"}, {L".7z", WorkerArchivePicture, "7z (7z.exe)"}};

    for (const Kind& kind : kinds) {
        std::vector<std::wstring> archives = Files(folder, kind.extension);
        if (archives.empty()) continue;
        // Warm the decoder and the file cache once.
        int alpha = 0;
        HBITMAP warm = kind.picture(archives[0].c_str(), &params, &alpha);
        if (warm) DeleteObject(warm);
        double picture = 0;
        double tile = 0;
        int made = 0;
        for (const std::wstring& path : archives) {
            double t0 = Now();
            HBITMAP member = kind.picture(path.c_str(), &params, &alpha);
            double t1 = Now();
            HBITMAP mask = nullptr;
            HBITMAP tiled = member ? MakeArchiveTile(screen, member, size, alpha, badge.info.hbmColor, &mask) : nullptr;
            double t2 = Now();
            picture += t1 - t0;
            tile += t2 - t1;
            if (tiled) ++made;
            if (tiled) DeleteObject(tiled);
            if (mask) DeleteObject(mask);
        }
        size_t n = archives.size();
        printf("%s: %.1f ms/archive (member picture %.1f, archive tile %.2f), %d of %zu with a picture\n", kind.name,
               (picture + tile) / n, picture / n, tile / n, made, n);
    }

    const int starts = 20;
    double started = 0;
    int counted = 0;
    for (int i = 0; i < starts; ++i) {
        double ms = ArchiverStart(sevenZipPath);
        if (ms < 0) break;
        started += ms;
        ++counted;
    }
    if (counted) {
        printf("7z.exe started and ended with nothing to do: %.1f ms/run (%d runs); a .7z here takes 3 runs "
               "(listing, the text member, the picture)\n",
               started / counted, counted);
    }

    ReleaseDC(nullptr, screen);
    DeleteObject(badge.info.hbmColor);
    DeleteObject(badge.info.hbmMask);
    DestroyIcon(badge.icon);
    CoUninitialize();
    return 0;
}
