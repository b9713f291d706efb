// Text tiles: the bitmap's format, the same text in every encoding giving the
// same picture, the line limits, and files that give none.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/gui_levels.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/renderers/text_file.h"

namespace {

const wchar_t kJapanese[] = L"日本語のテキスト\nこんにちは、世界。\nZuv のサムネイル 123\n";

std::vector<unsigned char> Utf16(const std::wstring& text, bool bigEndian) {
    std::vector<unsigned char> bytes = bigEndian ? std::vector<unsigned char>{0xFE, 0xFF}
                                                 : std::vector<unsigned char>{0xFF, 0xFE};
    for (wchar_t c : text) {
        unsigned char high = static_cast<unsigned char>(c >> 8), low = static_cast<unsigned char>(c & 0xFF);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

std::string Lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

class TextFile : public testing::Test {
protected:
    // The pixels of the file's tile; empty when there is none.
    BitmapPixels Render(const std::wstring& name, const std::vector<unsigned char>& bytes, int width = 128,
                        int height = 128) {
        std::wstring path = folder / name;
        EXPECT_TRUE(WriteBytes(path, bytes));
        HBITMAP bitmap = RenderTextFile(path.c_str(), width, height, L"");
        if (!bitmap) return {};
        BitmapPixels pixels = ReadBitmapPixels(bitmap);
        DeleteObject(bitmap);
        return pixels;
    }
    BitmapPixels Render(const std::wstring& name, const std::string& text, int width = 128, int height = 128) {
        return Render(name, std::vector<unsigned char>(text.begin(), text.end()), width, height);
    }

    TempFolder folder;
};

bool IsDark(Pixel pixel) {
    COLORREF c = PixelColour(pixel);
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
}

// The first and last rows holding a dark pixel; -1 when there is none.
std::pair<int, int> DarkRows(const BitmapPixels& pixels) {
    int first = -1, last = -1;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            if (IsDark(pixels.at(x, y))) {
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(TextFile, BitmapIsA24BitBottomUpSectionOfTheRequestedSize) {
    std::wstring path = folder / L"a.txt";
    ASSERT_TRUE(WriteText(path, "hello\n"));
    HBITMAP bitmap = RenderTextFile(path.c_str(), 128, 128, L"");
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBmih.biWidth, 128);
    EXPECT_EQ(section.dsBmih.biHeight, 128);  // rows stored bottom to top
    EXPECT_EQ(section.dsBmih.biBitCount, 24);
    EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    DeleteObject(bitmap);
}

TEST_F(TextFile, EmptyFileGivesAWhiteTile) {
    BitmapPixels pixels = Render(L"empty", std::string());
    ASSERT_EQ(pixels.width, 128);
    for (Pixel p : pixels.pixels) ASSERT_EQ(PixelColour(p), RGB(255, 255, 255));
}

TEST_F(TextFile, TextIsDrawnFromTheTopAndEndsAfterItsLastLine) {
    BitmapPixels pixels = Render(L"three.txt", Lines(3));
    auto rows = DarkRows(pixels);
    ASSERT_GE(rows.first, 0) << "no text drawn";
    EXPECT_LT(rows.first, 12);
    // Three lines at 11 device-independent pixels take well under 60 rows.
    EXPECT_GT(rows.second, 20);
    EXPECT_LT(rows.second, 60);
}

TEST_F(TextFile, OneTextInEveryEncodingGivesOneTile) {
    BitmapPixels utf8 = Render(L"utf8.txt", EncodeText(kJapanese, CP_UTF8));
    auto rows = DarkRows(utf8);
    ASSERT_GE(rows.first, 0) << "no text drawn";
    std::vector<unsigned char> marked = {0xEF, 0xBB, 0xBF};
    std::vector<unsigned char> plain = EncodeText(kJapanese, CP_UTF8);
    marked.insert(marked.end(), plain.begin(), plain.end());
    EXPECT_EQ(Render(L"utf8bom.txt", marked).pixels, utf8.pixels) << "UTF-8 with mark";
    EXPECT_EQ(Render(L"le.txt", Utf16(kJapanese, false)).pixels, utf8.pixels) << "UTF-16 LE";
    EXPECT_EQ(Render(L"be.txt", Utf16(kJapanese, true)).pixels, utf8.pixels) << "UTF-16 BE";
    if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not Shift-JIS";
    EXPECT_EQ(Render(L"sjis.txt", EncodeText(kJapanese, 932)).pixels, utf8.pixels) << "Shift-JIS";
}

TEST_F(TextFile, AtMost101LinesAreDrawn) {
    const int kWidth = 160, kHeight = 2200;
    BitmapPixels first101 = Render(L"101.txt", Lines(101), kWidth, kHeight);
    auto rows = DarkRows(first101);
    // There is room below line 101 for more lines.
    ASSERT_GE(rows.second, 0);
    ASSERT_LT(rows.second, kHeight - 100);
    EXPECT_EQ(Render(L"200.txt", Lines(200), kWidth, kHeight).pixels, first101.pixels);
    EXPECT_NE(Render(L"100.txt", Lines(100), kWidth, kHeight).pixels, first101.pixels);
}

TEST_F(TextFile, ALongLineCountsAsSeveralLines) {
    // 5000 characters are five reads of at most 1023: 4 x 1023 and 908 with
    // the line feed; 96 more lines make the 101.
    std::string longLine;
    while (longLine.size() < 5000) longLine += "0123456789";
    longLine += "\n";
    const int kWidth = 1600, kHeight = 2400;
    BitmapPixels cut = Render(L"96.txt", longLine + Lines(96), kWidth, kHeight);
    ASSERT_LT(DarkRows(cut).second, kHeight - 100);
    EXPECT_EQ(Render(L"200.txt", longLine + Lines(200), kWidth, kHeight).pixels, cut.pixels);
    EXPECT_NE(Render(L"95.txt", longLine + Lines(95), kWidth, kHeight).pixels, cut.pixels);
}

// Shift-JIS lines that end oddly are cut where a UTF-8 file of the same
// characters is cut: a line of 1500 double-byte characters at 1023 of them,
// a lead byte alone at the end is the one character the code page makes of
// it, and a zero byte ends what its line shows, line feed included (as the
// wide line is appended up to its zero).
TEST_F(TextFile, ShiftJisLinesAreCutAsTheSameTextInUtf8) {
    if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not Shift-JIS";
    wchar_t lone[2] = L"";
    ASSERT_EQ(MultiByteToWideChar(932, 0, "\x83", 1, lone, 1), 1);
    std::wstring many(1500, L'日');
    struct Case {
        const char* what;
        std::vector<unsigned char> sjis;
        std::vector<unsigned char> same;  // another file of the same picture
    };
    auto bytes = [](const std::string& text) { return std::vector<unsigned char>(text.begin(), text.end()); };
    auto cat = [](std::vector<unsigned char> a, const std::vector<unsigned char>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case kCases[] = {
        {"a long line", cat(EncodeText(many + L"\n", 932), EncodeText(L"テスト\n", 932)),
         EncodeText(many + L"\nテスト\n", CP_UTF8)},
        {"a lead byte at the end", bytes("\x83\x65\x83\x58\x83"), EncodeText(std::wstring(L"テス") + lone, CP_UTF8)},
        {"a zero byte", cat(bytes("\x83\x65"), cat({0}, bytes("\x83\x58\n\x83\x67\n"))), EncodeText(L"テト\n", CP_UTF8)},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        BitmapPixels expected = Render(L"same.txt", c.same, 160, 160);
        ASSERT_EQ(expected.width, 160);
        EXPECT_EQ(Render(L"sjis.txt", c.sjis, 160, 160).pixels, expected.pixels);
    }
}

// The encoding is chosen from at most kTextSampleBytes bytes: a file of that
// size is judged on all of them, a longer one on its first ones only. Here a
// UTF-8 "\xC4\x80" (which no Shift-JIS text holds) right at the end decides.
TEST_F(TextFile, EncodingIsChosenFromABoundedSample) {
    const std::string head = "\x83\x65\x83\x58\x83\x67\n";  // テスト in Shift-JIS
    const std::string tail = "\xC4\x80\n";
    std::string filler;
    while (filler.size() < kTextSampleBytes - head.size() - tail.size()) filler += "x\n";
    filler.resize(kTextSampleBytes - head.size() - tail.size(), '\n');
    std::string within = head + filler + tail;
    ASSERT_EQ(within.size(), kTextSampleBytes);
    std::string beyond = head + filler + "\n" + tail;

    std::string shortFile = head;
    for (int i = 0; i < 100; ++i) shortFile += "x\n";
    BitmapPixels shiftJis = Render(L"short.txt", shortFile);
    ASSERT_GE(DarkRows(shiftJis).first, 0);
    EXPECT_EQ(Render(L"beyond.txt", beyond).pixels, shiftJis.pixels);
    EXPECT_NE(Render(L"within.txt", within).pixels, shiftJis.pixels);
}

TEST_F(TextFile, BinaryBytesStillGiveATile) {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<unsigned char>((i * 37) & 0xFF));
    BitmapPixels pixels = Render(L"data.bin", bytes);
    EXPECT_EQ(pixels.width, 128);
}

// Device contexts, streams and handles are given back on every path.
TEST_F(TextFile, NothingIsLeftBehind) {
    std::wstring text = folder / L"a.txt";
    std::wstring ansi = folder / L"b.txt";
    std::wstring missing = folder / L"missing.txt";
    ASSERT_TRUE(WriteBytes(text, Utf16(kJapanese, true)));
    ASSERT_TRUE(WriteText(ansi, "plain\n"));
    auto renderAll = [&] {
        for (const std::wstring& path : {text, ansi, missing}) {
            HBITMAP bitmap = RenderTextFile(path.c_str(), 64, 64, L"");
            if (bitmap) DeleteObject(bitmap);
        }
    };
    for (int i = 0; i < 5; ++i) renderAll();
    DWORD gdi = GdiObjectLevel();
    DWORD kernel = KernelHandleLevel();
    for (int i = 0; i < 100; ++i) renderAll();
    EXPECT_LE(GdiObjectLevel(), gdi + 10);
    EXPECT_LE(KernelHandleLevel(), kernel + 10);
}

TEST_F(TextFile, FilesThatCannotBeOpenedGiveNone) {
    EXPECT_EQ(RenderTextFile((folder / L"missing.txt").c_str(), 128, 128, L""), nullptr);
    std::wstring path = folder / L"locked.txt";
    ASSERT_TRUE(WriteText(path, "locked\n"));
    HANDLE locked = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RenderTextFile(path.c_str(), 128, 128, L""), nullptr);
    CloseHandle(locked);
    EXPECT_EQ(RenderTextFile(folder.path().c_str(), 128, 128, L""), nullptr) << "a folder";
}

}  // namespace
