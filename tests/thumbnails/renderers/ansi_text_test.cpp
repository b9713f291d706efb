// Paths in the thread's ANSI code page: only exact conversions are used, so
// a name with a character the code page lacks never opens a similarly named
// file through a stand-in character.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "preview/archive_pages.h"
#include "support/docx_files.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/renderers/ansi_text.h"
#include "thumbnails/renderers/docx_page.h"
#include "thumbnails/worker_params.h"

namespace {

// Characters the Japanese code page lacks, each with the file name that a
// stand-in conversion would give.
struct Inexact {
    const wchar_t* name;
    const wchar_t* lookalike;
};
const Inexact kInexact[] = {
    {L"caf\u00e9", L"cafe"},       // e with an acute accent
    {L"\u00c0b", L"Ab"},           // A with a grave accent
    {L"a\u2044b", L"a?b"},         // fraction slash
    {L"\u2603", L"?"},             // snowman: only the default character
};

TEST(ThreadAnsiText, OnlyExactConversions) {
    ASSERT_EQ(GetACP(), 932u) << "the tests run in the Japanese code page";
    for (const Inexact& c : kInexact) EXPECT_EQ(ThreadAnsiText(c.name), "") << ToUtf8(c.name);
    EXPECT_EQ(ThreadAnsiText(L"C:\\a b\\page.docx"), "C:\\a b\\page.docx");
    // Kanji and half-width katakana have their own bytes.
    EXPECT_EQ(ThreadAnsiText(L"\u6f22\u5b57\uff71"), "\x8a\xbf\x8e\x9a\xb1");
    EXPECT_EQ(WideFromThreadAnsi("\x8a\xbf\x8e\x9a\xb1"), L"\u6f22\u5b57\uff71");
    EXPECT_EQ(ThreadAnsiText(L""), "");
}

// A folder holds the look-alike's file only; the named file does not
// exist. Opening the named one must give nothing, not the look-alike.
TEST(ThreadAnsiText, ReadersNeverOpenALookalike) {
    TempFolder folder;
    TWorkerParams params = {};
    params.iconSize = 64;
    params.fontSize = 12;
    params.maxBytes = 1 << 20;
    for (const Inexact& c : kInexact) {
        if (wcschr(c.lookalike, L'/') || wcschr(c.lookalike, L'?')) continue;
        SCOPED_TRACE(ToUtf8(c.name));
        std::wstring docx = folder / (std::wstring(c.lookalike) + L".docx");
        ASSERT_TRUE(WriteBytes(docx, DocxBytes(DocxParagraph({"Hello"}))));
        HBITMAP page = RenderDocx(nullptr, (folder / (std::wstring(c.name) + L".docx")).c_str(), 64, 64, L"");
        EXPECT_EQ(page, nullptr) << "the DOCX reader opened the look-alike";
        if (page) DeleteObject(page);
        DeleteFileW(docx.c_str());

        std::wstring zip = folder / (std::wstring(c.lookalike) + L".zip");
        ASSERT_TRUE(WriteBytes(zip, ZipBytes({{"a.png", ReadByteString(MediaFixture(L"cover_red.png"))}})));
        HBITMAP slot = nullptr;
        int pageIndex = 0;
        LoadZipPreviewPage((folder / (std::wstring(c.name) + L".zip")).c_str(), &params, &slot, &pageIndex);
        EXPECT_EQ(slot, nullptr) << "the preview opened the look-alike";
        if (slot) DeleteObject(slot);
        DeleteFileW(zip.c_str());
    }
}

}  // namespace
