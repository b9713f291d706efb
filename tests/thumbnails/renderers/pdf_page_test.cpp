// PDF pages through the stand-in pdfium.dll: renders from several threads at
// once, as an abandoned worker and its successor make them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/renderers/pdf_page.h"

namespace {

std::string OnePagePdf(int width, int height) {
    return "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
           "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
           "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 " +
           std::to_string(width) + " " + std::to_string(height) + "] >> endobj\n%%EOF\n";
}

struct RenderJob {
    std::wstring path;
    SIZE expected;
    int renders;
    LONG wrong = 0;  // another document's page
    LONG missing = 0;
};

DWORD WINAPI RenderMany(LPVOID param) {
    RenderJob* job = static_cast<RenderJob*>(param);
    for (int i = 0; i < job->renders; ++i) {
        int page = 0;
        HBITMAP bitmap = RenderPdfPage(job->path.c_str(), &page);
        if (!bitmap) {
            ++job->missing;
            continue;
        }
        SIZE size = BitmapSize(bitmap);
        if (size.cx != job->expected.cx || size.cy != job->expected.cy) ++job->wrong;
        DeleteObject(bitmap);
    }
    return 0;
}

}  // namespace

TEST(PdfPage, RendersFromTwoThreadsEachGetTheirOwnDocument) {
    TempFolder folder;
    WriteText(folder / L"wide.pdf", OnePagePdf(200, 100));
    WriteText(folder / L"tall.pdf", OnePagePdf(100, 300));
    RenderJob jobs[2] = {{folder / L"wide.pdf", {201, 100}, 150}, {folder / L"tall.pdf", {101, 300}, 150}};
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i) threads[i] = CreateThread(nullptr, 0, RenderMany, &jobs[i], 0, nullptr);
    ASSERT_EQ(WaitForMultipleObjects(2, threads, TRUE, 120000), static_cast<DWORD>(WAIT_OBJECT_0));
    for (HANDLE thread : threads) CloseHandle(thread);
    for (const RenderJob& job : jobs) {
        SCOPED_TRACE(testing::Message() << "job of " << job.expected.cx << " x " << job.expected.cy);
        EXPECT_EQ(job.wrong, 0) << "pages of the other document";
        EXPECT_EQ(job.missing, 0) << "renders that gave nothing";
    }
    // Every render removed its copy.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    EXPECT_FALSE(FileExists(std::wstring(temp) + L"Zuv\\Zuv.pdf"));
}
