// In Zuv the worker draws the first page of a PDF document as a fitted tile.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/pdf_step.h"

TEST(WorkerPdf, PdfPageBecomesAFittedTileWithTransparentMargins) {
    ASSERT_TRUE(WorkerHasPdfStep());
    const int size = 48;
    WorkerHost host(size);
    TempFolder folder;
    host.SetFolder(folder.path());
    // A landscape page: 200 x 100 points, so the tile has margins at top and bottom.
    WriteText(folder / L"doc.pdf",
              "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
              "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
              "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >> endobj\n%%EOF\n");
    WriteText(folder / L"notes.txt", "text");
    FillListView(host.list(), {L"doc.pdf", L"notes.txt"});
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 2);
    EXPECT_EQ(ImageListColour(host.images(), 0, size / 2, size / 2), RGB(255, 255, 255));
    EXPECT_TRUE(ImageListMaskBit(host.images(), 0, size / 2, 2)) << "top margin transparent";
    EXPECT_FALSE(ImageListMaskBit(host.images(), 0, size / 2, size / 2));
    EXPECT_TRUE(ImageListMaskBit(host.images(), 0, size / 2, size - 2)) << "bottom margin transparent";
}
