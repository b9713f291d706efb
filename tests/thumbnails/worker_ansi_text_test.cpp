// Text in the user's ANSI code page on the worker thread of the real main
// window: a Shift-JIS file gives the tile of the same text in UTF-8, on the
// first run (the first ANSI text of the process, so this program holds this
// test alone), on the next run and in the preview on this thread. Files with
// Japanese names, whose paths go to libraries in the ANSI code page, get the
// same pictures as their ASCII-named twins.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/main_state.h"
#include "support/archive_files.h"
#include "support/docx_files.h"
#include "support/font_files.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/renderers/text_file.h"

namespace {

const int kSize = 96;
const wchar_t kJapanese[] = L"日本語のテキスト\nこんにちは、世界。\n";

int IndexOf(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) return static_cast<int>(i);
    }
    return -1;
}

class WorkerAnsiText : public testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not Shift-JIS";
        ASSERT_TRUE(WriteBytes(folder / L"sjis.txt", EncodeText(kJapanese, 932)));
        ASSERT_TRUE(WriteBytes(folder / L"utf8.txt", EncodeText(kJapanese, CP_UTF8)));
        std::vector<unsigned char> docx = DocxBytes(DocxParagraph({"文書の本文"}));
        ASSERT_TRUE(WriteBytes(folder / L"doc.docx", docx));
        ASSERT_TRUE(WriteBytes(folder / L"文書.docx", docx));
        std::vector<unsigned char> zip = MakeZipBytes({{"red.png", ReadBytes(MediaFixture(L"cover_red.png"))}});
        ASSERT_TRUE(WriteBytes(folder / L"pack.zip", zip));
        ASSERT_TRUE(WriteBytes(folder / L"写真.zip", zip));
        std::vector<unsigned char> woff2 = ReadBytes(FontFixture(L"sans.woff2"));
        ASSERT_TRUE(WriteBytes(folder / L"font.woff2", woff2));
        ASSERT_TRUE(WriteBytes(folder / L"書体.woff2", woff2));
    }
    void TearDown() override {
        window.Close();
        WriteTestSettings({});
    }

    BitmapPixels Tile(const std::wstring& name) {
        int index = IndexOf(ListViewNames(listView), name);
        EXPECT_GE(index, 0) << ToUtf8(name);
        return index < 0 ? BitmapPixels() : ImageListPixels(imageListLarge, index);
    }

    // Each named file's tile equals its twin's, and is a picture.
    void ExpectTwinTiles() {
        const std::pair<const wchar_t*, const wchar_t*> kTwins[] = {
            {L"sjis.txt", L"utf8.txt"}, {L"文書.docx", L"doc.docx"}, {L"写真.zip", L"pack.zip"},
            {L"書体.woff2", L"font.woff2"}};
        for (const auto& twin : kTwins) {
            SCOPED_TRACE(ToUtf8(twin.first));
            BitmapPixels tile = Tile(twin.first);
            BitmapPixels expected = Tile(twin.second);
            ASSERT_EQ(expected.width, kSize);
            EXPECT_TRUE(tile.pixels == expected.pixels);
        }
    }

    TempFolder folder;
    MainWindowHarness window;
};

TEST_F(WorkerAnsiText, ShiftJisAndJapaneseNamedFilesOnTheWorkerGiveTheirTwinsTiles) {
    ASSERT_TRUE(window.OpenListed(folder.path(), {{L"SystemSetting", L"iconSize", std::to_wstring(kSize)},
                                                  {L"SystemSetting", L"thumbnailWait", L"-1"}}));
    ASSERT_EQ(ImageList_GetImageCount(imageListLarge), 8);
    ExpectTwinTiles();
    // A refresh draws everything again on a new worker thread.
    window.PressKey(listView, VK_F5);
    ASSERT_EQ(ImageList_GetImageCount(imageListLarge), 8);
    ExpectTwinTiles();
    // The preview's text page, on this thread.
    auto page = [&](const wchar_t* name) {
        HBITMAP bitmap = RenderTextFile((folder / name).c_str(), 200, 100, L"");
        BitmapPixels pixels = ReadBitmapPixels(bitmap);
        if (bitmap) DeleteObject(bitmap);
        return pixels;
    };
    BitmapPixels utf8 = page(L"utf8.txt");
    ASSERT_EQ(utf8.width, 200);
    EXPECT_TRUE(page(L"sjis.txt").pixels == utf8.pixels) << "the preview's page";
}

}  // namespace
