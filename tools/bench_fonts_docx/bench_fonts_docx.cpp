// bench_fonts_docx FOLDER [SIZE]: runs the worker's font step (sample and
// tile) on every .ttf, .woff and .woff2 file of FOLDER and its DOCX steps
// (the image decoder's refusal, then the page) on every .docx file, and
// prints milliseconds per file. Then draws 1,000 font samples and reports
// the GDI objects and memory fonts left behind and the growth of private
// memory.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/font_files.h"
#include "support/test_files.h"
#include "thumbnails/renderers/docx_page.h"
#include "thumbnails/renderers/font_sample.h"
#include "thumbnails/renderers/image_decoding.h"
#include "thumbnails/tiles.h"
#include "../bench_clock.h"

namespace {

const wchar_t kProbeFace[] = L"Zuv Bench Probe";

std::vector<std::wstring> Files(const std::wstring& folder, const std::vector<std::wstring>& extensions) {
    std::vector<std::wstring> paths;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return paths;
    do {
        for (const std::wstring& extension : extensions) {
            if (lstrcmpiW(PathFindExtensionW(data.cFileName), extension.c_str()) == 0) {
                paths.push_back(folder + L"\\" + data.cFileName);
            }
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return paths;
}

// The worker's font step: the sample, then the tile it is drawn as.
bool FontStep(const std::wstring& path, int size) {
    wchar_t buffer[MAX_PATH];
    lstrcpynW(buffer, path.c_str(), MAX_PATH);
    wchar_t face[kFaceNameChars] = L"";
    int index = 0;
    HBITMAP sample = RenderFontSample(buffer, size, size, 64, L"永あア", L"Abc", 1, face, &index);
    bool drawn = sample != nullptr;
    HBITMAP tile = ScaleToTile(sample, size, 0);
    if (tile) DeleteObject(tile);
    return drawn;
}

// The worker's steps that a DOCX file meets: the image decoder first.
bool DocxSteps(const std::wstring& path, int size) {
    HBITMAP picture = LoadImageFileScaled(path.c_str(), size, 0);
    if (picture) {
        DeleteObject(picture);
        return false;
    }
    HBITMAP page = RenderDocx(nullptr, path.c_str(), size, size, L"");
    if (page) DeleteObject(page);
    return page != nullptr;
}

// Committed private memory (Wine reports it as the page-file usage only).
double PrivateMiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PagefileUsage / 1048576.0;
}

void TimeSteps(const char* what, const std::vector<std::wstring>& paths, bool (*step)(const std::wstring&, int),
               int size) {
    if (paths.empty()) return;
    step(paths[0], size);  // warm the file cache and GDI
    int drawn = 0;
    double start = Now();
    for (const std::wstring& path : paths) drawn += step(path, size) ? 1 : 0;
    double ms = (Now() - start) / paths.size();
    printf("%s: %.2f ms/file over %zu files, %d drawn\n", what, ms, paths.size(), drawn);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_fonts_docx FOLDER [SIZE]\n");
        return 2;
    }
    std::wstring folder = argv[1];
    int size = argc > 2 ? _wtoi(argv[2]) : 128;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<std::wstring> fonts = Files(folder, {L".ttf", L".woff", L".woff2"});
    std::vector<std::wstring> documents = Files(folder, {L".docx"});
    if (fonts.empty() || documents.empty()) {
        fprintf(stderr, "bench_fonts_docx: no fonts or no .docx files\n");
        return 1;
    }
    for (const wchar_t* extension : {L".ttf", L".woff", L".woff2"}) {
        std::vector<std::wstring> some = Files(folder, {extension});
        std::string name = "font step, " + ToUtf8(extension + 1);
        TimeSteps(name.c_str(), some, FontStep, size);
    }
    TimeSteps("font step, all", fonts, FontStep, size);
    TimeSteps("DOCX steps", documents, DocxSteps, size);

    // A font of a name no installed font has, to see whether it stays.
    std::wstring probe = folder + L"\\probe.ttf";
    WriteBytes(probe, RenamedFont(ReadBytes(fonts[0]), kProbeFace));
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    double memoryBefore = PrivateMiB();
    int drawn = 0;
    for (int i = 0; i < 1000; ++i) drawn += FontStep(i % 10 == 0 ? probe : fonts[i % fonts.size()], size) ? 1 : 0;
    DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    double memoryAfter = PrivateMiB();
    printf("1000 font samples, %d drawn\n", drawn);
    if (gdiBefore == 0) {
        printf("GDI objects: not counted here (GetGuiResources gives 0)\n");
    } else {
        printf("GDI objects: %lu before, %lu after\n", gdiBefore, gdiAfter);
    }
    printf("memory font \"%ls\" after the run: %s\n", kProbeFace, FaceIsInstalled(kProbeFace) ? "installed" : "gone");
    // Whether this GDI removes memory fonts at all.
    Bytes control = RenamedFont(ReadBytes(fonts[0]), L"Zuv Bench Control");
    DWORD count = 0;
    HANDLE added = AddFontMemResourceEx(control.data(), static_cast<DWORD>(control.size()), nullptr, &count);
    RemoveFontMemResourceEx(added);
    printf("RemoveFontMemResourceEx on this system: %s\n",
           FaceIsInstalled(L"Zuv Bench Control") ? "removes nothing (the font stays)" : "removes the font");
    printf("private memory: %.1f MiB before, %.1f MiB after\n", memoryBefore, memoryAfter);
    DeleteFileW(probe.c_str());
    CoUninitialize();
    return 0;
}
