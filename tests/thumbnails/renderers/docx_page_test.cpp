// DOCX pages: the runs of the body's paragraphs drawn in black on white,
// one paragraph a line, and packages that are broken, empty or too large
// giving no page.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "support/docx_files.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/renderers/docx_page.h"

namespace {

const int kSize = 128;

class DocxPage : public testing::Test {
protected:
    // The page of a file with these bytes; pixels empty when there is none.
    BitmapPixels Render(const std::vector<unsigned char>& bytes, const wchar_t* face = L"") {
        std::wstring path = folder / (L"page" + std::to_wstring(++count) + L".docx");
        EXPECT_TRUE(WriteBytes(path, bytes));
        HBITMAP page = RenderDocx(nullptr, path.c_str(), kSize, kSize, face);
        BitmapPixels pixels;
        if (page) {
            pixels = ReadBitmapPixels(page);
            DeleteObject(page);
        }
        return pixels;
    }
    BitmapPixels RenderBody(const std::string& body) { return Render(DocxBytes(body)); }

    TempFolder folder;
    int count = 0;
};

bool RowHasInk(const BitmapPixels& pixels, int y) {
    for (int x = 0; x < pixels.width; ++x) {
        if (GetGValue(PixelColour(pixels.at(x, y))) < 128) return true;
    }
    return false;
}

// Runs of rows with ink, top to bottom, as first and last row.
std::vector<std::pair<int, int>> InkBands(const BitmapPixels& pixels) {
    std::vector<std::pair<int, int>> bands;
    for (int y = 0; y < pixels.height; ++y) {
        if (!RowHasInk(pixels, y)) continue;
        if (!bands.empty() && bands.back().second == y - 1) {
            bands.back().second = y;
        } else {
            bands.push_back({y, y});
        }
    }
    return bands;
}

TEST_F(DocxPage, ParagraphsStandOnLinesOfTheirOwn) {
    BitmapPixels one = RenderBody(DocxParagraph({"Hello World"}));
    BitmapPixels two = RenderBody(DocxParagraph({"Hello"}) + DocxParagraph({"World"}));
    ASSERT_EQ(one.width, kSize);
    ASSERT_EQ(one.height, kSize);
    // White page, black text from the top-left corner.
    EXPECT_EQ(PixelColour(one.at(kSize - 1, kSize - 1)), RGB(255, 255, 255));
    ASSERT_EQ(InkBands(one).size(), 1u);
    EXPECT_LT(InkBands(one)[0].first, 8);
    std::vector<std::pair<int, int>> lines = InkBands(two);
    ASSERT_EQ(lines.size(), 2u);
    // A paragraph without runs adds an empty line.
    BitmapPixels gap = RenderBody(DocxParagraph({"Hello"}) + "<w:p/>" + DocxParagraph({"World"}));
    std::vector<std::pair<int, int>> gapped = InkBands(gap);
    ASSERT_EQ(gapped.size(), 2u);
    int lineHeight = lines[1].first - lines[0].first;
    EXPECT_EQ(gapped[1].first - gapped[0].first, 2 * lineHeight);
}

TEST_F(DocxPage, RunsJoinAndOnlyTheirFirstTextCounts) {
    BitmapPixels hello = RenderBody(DocxParagraph({"Hello"}));
    ASSERT_FALSE(hello.pixels.empty());
    EXPECT_EQ(RenderBody(DocxParagraph({"Hel", "lo"})).pixels, hello.pixels);
    EXPECT_EQ(RenderBody("<w:p><w:r><w:t>Hello</w:t><w:t>Gone</w:t></w:r></w:p>").pixels, hello.pixels);
    // Character data of blanks only is dropped by the parser.
    EXPECT_EQ(RenderBody(DocxParagraph({"Hello", " ", "World"})).pixels,
              RenderBody(DocxParagraph({"HelloWorld"})).pixels);
    // Elements before the first paragraph, and runs inside other elements
    // of a paragraph, are not drawn.
    EXPECT_EQ(RenderBody("<w:sectPr/>" + DocxParagraph({"Hello"}) +
                         "<w:p><w:hyperlink><w:r><w:t>Link</w:t></w:r></w:hyperlink></w:p>")
                  .pixels,
              hello.pixels);
}

TEST_F(DocxPage, JapaneseAndEnglishRunsAreDrawn) {
    BitmapPixels page = Render(DocxBytes(DocxParagraph({"日本語", "です"}) + DocxParagraph({"English text"})),
                               L"IPAGothic");
    ASSERT_FALSE(page.pixels.empty());
    EXPECT_EQ(InkBands(page).size(), 2u);
    // An ampersand is text, not a mnemonic prefix that would vanish.
    EXPECT_NE(RenderBody(DocxParagraph({"A&amp;B"})).pixels, RenderBody(DocxParagraph({"AB"})).pixels);
}

TEST_F(DocxPage, LongDocumentStopsWithTheRunThatOverflows) {
    std::string body;
    for (int i = 0; i < 3000; ++i) body += DocxParagraph({"Line " + std::to_string(i)});
    BitmapPixels page = RenderBody(body);
    ASSERT_FALSE(page.pixels.empty());
    std::vector<std::pair<int, int>> lines = InkBands(page);
    ASSERT_GE(lines.size(), 4u);
    // The lines reach the bottom edge.
    EXPECT_GT(lines.back().second, kSize - 20);
}

// Runs that add no height (a face that draws them with no width) never
// fill the page; the work stays bounded by what a page can show. Before, each
// run measured everything collected so far, and this took minutes.
TEST_F(DocxPage, TextThatNeverFillsThePageEndsInBoundedTime) {
    const wchar_t face[] = L"DejaVu Sans";
    if (!FileExists(L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf")) {
        GTEST_SKIP() << "no DejaVu Sans font on this machine (fonts-dejavu-core)";
    }
    const std::string zeroWidth = "\xE2\x80\x8B";  // U+200B, no width in DejaVu Sans
    std::string body = "<w:p>";
    for (int i = 0; i < 100000; ++i) body += "<w:r><w:t>" + zeroWidth + "</w:t></w:r>";
    body += "</w:p>";
    std::wstring path = folder / L"zero.docx";
    ASSERT_TRUE(WriteBytes(path, DocxBytes(body)));
    for (SIZE size : {SIZE{kSize, kSize}, SIZE{1024, 768}}) {
        SCOPED_TRACE(std::to_string(size.cx));
        auto start = std::chrono::steady_clock::now();
        HBITMAP page = RenderDocx(nullptr, path.c_str(), size.cx, size.cy, face);
        auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 15000)
            << "every run measures all the text before it";
        ASSERT_NE(page, nullptr);
        BitmapPixels pixels = ReadBitmapPixels(page);
        DeleteObject(page);
        EXPECT_TRUE(InkBands(pixels).empty()) << "zero-width text shows nothing";
    }
}

// However the runs are measured, the page ends with the run that overflows:
// the same page as the document cut right after that run.
TEST_F(DocxPage, PageEndsWithTheRunThatOverflowsWhateverFollows) {
    std::vector<std::string> words;
    for (int i = 0; i < 400; ++i) words.push_back("w" + std::to_string(i) + " ");
    BitmapPixels whole = RenderBody(DocxParagraph(words));
    ASSERT_FALSE(whole.pixels.empty());
    // The shortest cut that gives the same page is the overflowing run; one
    // run less differs from it.
    size_t cut = 1;
    while (cut < words.size() &&
           RenderBody(DocxParagraph(std::vector<std::string>(words.begin(), words.begin() + cut))).pixels !=
               whole.pixels) {
        ++cut;
    }
    ASSERT_LT(cut, words.size());
    for (size_t extra : {1u, 2u, 7u, 50u}) {
        std::vector<std::string> more(words.begin(), words.begin() + std::min(words.size(), cut + extra));
        EXPECT_EQ(RenderBody(DocxParagraph(more)).pixels, whole.pixels) << extra;
    }
}

TEST_F(DocxPage, PackagesWithoutTextGiveNoPage) {
    std::vector<std::pair<const char*, std::vector<unsigned char>>> cases = {
        {"plain text", {'H', 'e', 'l', 'l', 'o'}},
        {"empty file", {}},
        {"zip without the part", ZipBytes({{"word/other.xml", DocxDocumentXml(DocxParagraph({"Hello"}))}})},
        {"empty runs", DocxBytes(DocxParagraph({"", ""}) + "<w:p/>")},
        {"no body", ZipBytes({{"word/document.xml", "<w:document/>"}})},
        {"not XML", ZipBytes({{"word/document.xml", "<<<\x01\x02 not xml"}})},
        {"folder of that name", ZipBytes({{"word/document.xml/", ""}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_TRUE(Render(c.second).pixels.empty());
    }
    // A document cut short is drawn as far as it was read, or not at all.
    std::string cut = DocxDocumentXml(DocxParagraph({"Hello"}) + DocxParagraph({"World"}));
    cut.resize(cut.size() - 40);
    Render(ZipBytes({{"word/document.xml", cut}}));
    EXPECT_FALSE(RenderDocx(nullptr, (folder / L"missing.docx").c_str(), kSize, kSize, L"") != nullptr);
}

TEST_F(DocxPage, PartNameIsFoundInAnyCase) {
    BitmapPixels page = Render(ZipBytes({{"WORD/Document.XML", DocxDocumentXml(DocxParagraph({"Hello"}))}}));
    EXPECT_EQ(page.pixels, RenderBody(DocxParagraph({"Hello"})).pixels);
}

// Replaces the uncompressed size that the central directory gives the
// first entry.
std::vector<unsigned char> WithDeclaredSize(std::vector<unsigned char> zip, uint32_t size) {
    const unsigned char signature[] = {'P', 'K', 1, 2};
    auto at = std::search(zip.begin(), zip.end(), std::begin(signature), std::end(signature));
    EXPECT_NE(at, zip.end());
    size_t field = (at - zip.begin()) + 24;
    for (int i = 0; i < 4; ++i) zip[field + i] = static_cast<unsigned char>(size >> (8 * i));
    return zip;
}

TEST_F(DocxPage, OversizedOrLyingPartsAreNotExtracted) {
    std::string xml = DocxDocumentXml(DocxParagraph({"Hello"}));
    std::vector<unsigned char> honest = ZipBytes({{"word/document.xml", xml}});
    ASSERT_FALSE(Render(honest).pixels.empty());
    EXPECT_TRUE(Render(WithDeclaredSize(honest, 0xFFFFFFF0)).pixels.empty());
    EXPECT_TRUE(Render(WithDeclaredSize(honest, static_cast<uint32_t>(xml.size()) - 10)).pixels.empty());
    EXPECT_TRUE(Render(WithDeclaredSize(honest, static_cast<uint32_t>(xml.size()) + 10)).pixels.empty());
    // A part that inflates beyond the limit, declared honestly.
    std::string bomb = DocxDocumentXml(DocxParagraph({"Hello"}) + std::string(kMaxDocxPartBytes, ' '));
    EXPECT_TRUE(Render(ZipBytes({{"word/document.xml", bomb}})).pixels.empty());
}

TEST(DocxText, Utf8ToWide) {
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(Utf8ToWide("Hello\r\n"), L"Hello\r\n");
    EXPECT_EQ(Utf8ToWide("\xE6\x97\xA5\xE6\x9C\xAC"), L"日本");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), L"\U0001F600");
    EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), L"ab");
}

}  // namespace
