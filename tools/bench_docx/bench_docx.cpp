// bench_docx FOLDER: renders every .docx file of FOLDER with the DOCX
// renderer at tile size (128) and at a preview size (1024 x 768), in GDI's
// default face and in DejaVu Sans, and prints the time of each and the worst.
#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "thumbnails/renderers/docx_page.h"
#include "../bench_clock.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_docx FOLDER\n");
        return 2;
    }
    std::wstring folder = argv[1];
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.docx").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "bench_docx: no .docx files\n");
        return 1;
    }
    do names.push_back(data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);

    struct Size {
        int width, height;
    };
    const Size sizes[] = {{128, 128}, {1024, 768}};
    const wchar_t* faces[] = {L"", L"DejaVu Sans"};
    double worst = 0;
    std::wstring worstCase;
    for (const std::wstring& name : names) {
        std::wstring path = folder + L"\\" + name;
        for (const Size& size : sizes) {
            for (const wchar_t* face : faces) {
                double start = Now();
                HBITMAP page = RenderDocx(nullptr, path.c_str(), size.width, size.height, face);
                double ms = Now() - start;
                if (page) DeleteObject(page);
                printf("%-28ls %4d x %-4d %-12ls %9.1f ms%s\n", name.c_str(), size.width, size.height,
                       *face ? face : L"(default)", ms, page ? "" : "  (no page)");
                if (ms > worst) {
                    worst = ms;
                    worstCase = name + L" at " + std::to_wstring(size.width) + L" x " +
                                std::to_wstring(size.height) + L", " + (*face ? face : L"default face");
                }
            }
        }
    }
    printf("worst: %.1f ms (%ls)\n", worst, worstCase.c_str());
    return 0;
}
