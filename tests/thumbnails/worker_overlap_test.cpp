// Workers that run at the same moment, as they do after quick navigation: a
// worker given up while it waits for the list view draws its item after its
// successor has started, and the preview draws on the user-interface thread
// meanwhile. Over text, font and DOCX files, round after round, nothing
// crashes and every picture is the one a calm run makes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "support/docx_files.h"
#include "support/font_files.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/renderers/docx_page.h"
#include "thumbnails/renderers/text_file.h"
#include "thumbnails/thumbnail_worker.h"
#include "thumbnails/worker_params.h"

namespace {

const int kSize = 64;
const int kRounds = 48;

const std::vector<std::wstring> kNames = {L"a.txt", L"b.ttf", L"c.docx", L"d.txt",
                                          L"e.ttf", L"f.txt", L"g.docx", L"h.png"};

Bytes FontBytes(bool sans) {
    return ReadBytes(FontFixture(sans ? L"sans.ttf" : L"serif.ttf"));
}

// The same names in both folders with other contents, so that a picture of
// the wrong folder shows.
void WriteFolder(const TempFolder& folder, const std::string& tag) {
    bool one = tag == "one";
    ASSERT_TRUE(WriteText(folder / L"a.txt", "first lines of " + tag + "\nand more\n"));
    ASSERT_TRUE(WriteBytes(folder / L"b.ttf", FontBytes(one)));
    ASSERT_TRUE(WriteBytes(folder / L"c.docx", DocxBytes(DocxParagraph({"Document " + tag}) +
                                                         DocxParagraph({"日本語の段落"}))));
    std::string many;
    for (int i = 0; i < 60; ++i) many += "line " + std::to_string(i) + " of " + tag + " 日本語のテキスト\n";
    ASSERT_TRUE(WriteText(folder / L"d.txt", many));
    ASSERT_TRUE(WriteBytes(folder / L"e.ttf", FontBytes(!one)));
    ASSERT_TRUE(WriteText(folder / L"f.txt", one ? "" : "x"));
    ASSERT_TRUE(WriteBytes(folder / L"g.docx", DocxBytes(DocxParagraph({tag, " and ", tag}))));
    ASSERT_TRUE(CopyFileW(MediaFixture(one ? L"cover_red.png" : L"cover_blue.png").c_str(),
                          (folder / L"h.png").c_str(), FALSE));
}

std::vector<BitmapPixels> Pictures(HIMAGELIST images) {
    std::vector<BitmapPixels> pictures;
    for (int i = 0; i < ImageList_GetImageCount(images); ++i) pictures.push_back(ImageListPixels(images, i));
    return pictures;
}

bool SamePixels(const BitmapPixels& a, const BitmapPixels& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

BitmapPixels TakePixels(HBITMAP bitmap) {
    BitmapPixels pixels = ReadBitmapPixels(bitmap);
    if (bitmap) DeleteObject(bitmap);
    return pixels;
}

class WorkerOverlap : public testing::Test {
protected:
    void SetUp() override {
        iconView = 1;
        lstrcpyW(fontStrJp, L"永あア");
        lstrcpyW(fontStrEn, L"Abc");
        workerParams.fontSize = 12;
        workerParams.thumbnailWait = -1;
        WriteFolder(one, "one");
        WriteFolder(two, "two");
        FillListView(host.list(), kNames);
    }

    // The pictures of a run that nothing disturbs.
    std::vector<BitmapPixels> CalmPictures(const TempFolder& folder) {
        host.SetFolder(folder.path());
        EXPECT_TRUE(host.Run());
        return Pictures(host.images());
    }

    // What the preview draws of the text and DOCX files of folder one.
    BitmapPixels PreviewText() { return TakePixels(RenderTextFile((one / L"d.txt").c_str(), 200, 120, fontName)); }
    BitmapPixels PreviewDocx() {
        return TakePixels(RenderDocx(host.window(), (one / L"c.docx").c_str(), 200, 120, fontName));
    }

    TempFolder one;
    TempFolder two;
    WorkerHost host{kSize};
};

TEST_F(WorkerOverlap, WorkersGivenUpMidRunAndThePreviewDrawTheSamePicturesAsACalmRun) {
    std::vector<BitmapPixels> calmOne = CalmPictures(one);
    std::vector<BitmapPixels> calmTwo = CalmPictures(two);
    ASSERT_EQ(calmOne.size(), kNames.size());
    ASSERT_EQ(calmTwo.size(), kNames.size());
    BitmapPixels text = PreviewText();
    BitmapPixels docx = PreviewDocx();
    ASSERT_EQ(text.width, 200);
    ASSERT_EQ(docx.width, 200);

    // Each round gives its worker up while it asks for the text of item
    // round % 8 and starts the next one on the other folder; the one given
    // up then draws that item beside its successor.
    int round = 0;
    host.SetListHook([&](UINT message, WPARAM wParam, LPARAM, bool fromWorker) {
        if (!fromWorker || message != LVM_GETITEMTEXTW || round >= kRounds) return;
        if (static_cast<size_t>(wParam) != static_cast<size_t>(round) % kNames.size()) return;
        ++round;
        workerParams.generation = nextGeneration++;
        StopThumbnailWorker();
        host.SetFolder(round % 2 == 0 ? one.path() : two.path());
        host.Start();
    });
    host.SetFolder(one.path());
    host.Start();

    // The preview draws while the workers do, until every worker has ended.
    int previews = 0;
    int wrongPreviews = 0;
    DWORD start = GetTickCount();
    while ((round < kRounds || RunningWorkerCount() > 0) && GetTickCount() - start < 120000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!SamePixels(previews % 2 == 0 ? PreviewText() : PreviewDocx(), previews % 2 == 0 ? text : docx)) {
            ++wrongPreviews;
        }
        ++previews;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    host.SetListHook(nullptr);
    ASSERT_EQ(round, kRounds);
    ASSERT_EQ(RunningWorkerCount(), 0) << "workers still running after 120 s";
    EXPECT_EQ(wrongPreviews, 0) << "of " << previews;

    // The last worker ran on folder one undisturbed.
    std::vector<BitmapPixels> last = Pictures(host.images());
    ASSERT_EQ(last.size(), kNames.size());
    for (size_t i = 0; i < kNames.size(); ++i) {
        SCOPED_TRACE(kNames[i]);
        EXPECT_TRUE(SamePixels(last[i], calmOne[i]));
        EXPECT_FALSE(SamePixels(last[i], calmTwo[i])) << "folder two's picture";
    }
}

}  // namespace
