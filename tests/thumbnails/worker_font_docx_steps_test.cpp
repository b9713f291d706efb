// The worker's font and DOCX steps with the real renderers: font samples
// and document pages are drawn at tile size on white, a font that cannot be
// drawn still gets a plain tile, and broken files do not stop the run.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "support/docx_files.h"
#include "support/font_files.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/worker_params.h"

namespace {

const int kSize = 64;

// Pixels of picture `index` that are darker than mid-grey, read from the
// image list's own bitmap.
int DarkPixels(HIMAGELIST images, int index) {
    IMAGEINFO info = {};
    if (!ImageList_GetImageInfo(images, index, &info)) return -1;
    BitmapPixels pixels = ReadBitmapPixels(info.hbmImage);
    int dark = 0;
    for (int y = info.rcImage.top; y < info.rcImage.bottom; ++y) {
        for (int x = info.rcImage.left; x < info.rcImage.right; ++x) {
            if (GetGValue(PixelColour(pixels.at(x, y))) < 128) ++dark;
        }
    }
    return dark;
}

class WorkerFontDocxSteps : public testing::Test {
protected:
    void SetUp() override {
        iconView = 1;
        host.SetFolder(folder.path());
    }
    void Write(const std::wstring& name, const Bytes& bytes) { ASSERT_TRUE(WriteBytes(folder / name, bytes)); }

    TempFolder folder;
    WorkerHost host{kSize};
};

TEST_F(WorkerFontDocxSteps, FontsAndDocumentsAreDrawnAndBrokenFilesPassOn) {
    Bytes woff = ReadBytes(FontFixture(L"sans.woff"));
    Bytes woff2 = ReadBytes(FontFixture(L"sans.woff2"));
    Write(L"a.ttf", ReadBytes(FontFixture(L"sans.ttf")));
    Write(L"b.woff", Bytes(woff.begin(), woff.begin() + woff.size() / 3));
    Write(L"c.woff2", Bytes(woff2.begin(), woff2.begin() + 100));
    Write(L"d.docx", DocxBytes(DocxParagraph({"Hello"}) + DocxParagraph({"日本語"})));
    Write(L"e.ttc", WriteCollection({ReadFontTables(ReadBytes(FontFixture(L"serif.ttf")))}));
    ASSERT_TRUE(CopyFileW(MediaFixture(L"cover_red.png").c_str(), (folder / L"f.png").c_str(), FALSE));
    FillListView(host.list(), {L"a.ttf", L"b.woff", L"c.woff2", L"d.docx", L"e.ttc", L"f.png"});
    lstrcpyW(fontStrJp, L"永あア");
    lstrcpyW(fontStrEn, L"Abc");
    workerParams.fontSize = 12;
    workerParams.thumbnailWait = -1;  // no video step before the DOCX one

    ASSERT_TRUE(host.Run());
    HIMAGELIST images = host.images();
    ASSERT_EQ(ImageList_GetImageCount(images), 6);
    for (int i : {0, 3, 4}) {
        SCOPED_TRACE(i);
        // Black text on white, with no margin left out.
        EXPECT_GT(DarkPixels(images, i), 10);
        EXPECT_EQ(ImageListColour(images, i, kSize - 1, kSize - 1), RGB(255, 255, 255));
        EXPECT_FALSE(ImageListMaskBit(images, i, kSize - 1, kSize - 1));
    }
    // Fonts that cannot be drawn get a tile of the theme's background.
    for (int i : {1, 2}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ImageListColour(images, i, kSize / 2, kSize / 2), RGB(64, 64, 64));
        EXPECT_EQ(DarkPixels(images, i), kSize * kSize);
    }
    EXPECT_EQ(ImageListColour(images, 5, kSize / 2, kSize / 2), RGB(255, 0, 0));
}

}  // namespace
