// Font samples drawn through GDI from memory fonts: which files are drawn,
// the sample chosen by character set, the face name reported, collection
// members, and WOFF, WOFF2 and plain files of one font drawn alike.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/font_files.h"
#include "support/guarded_bytes.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/renderers/font_sample.h"

namespace {

const int kSize = 96;
const wchar_t kJapanese[] = L"漢字かなカナ";
const wchar_t kEnglish[] = L"Handgloves";

struct Sample {
    HBITMAP bitmap = nullptr;
    std::wstring faceName;
    int faceIndex = 0;
    BitmapPixels pixels;
};

// Renders `path` (a copy of it is handed over, as the worker does) and reads
// the pixels back; the bitmap is deleted.
Sample Render(const std::wstring& path, int faceIndex = 0, const wchar_t* japanese = kJapanese,
              const wchar_t* english = kEnglish, int sampleOnly = 1, int size = kSize) {
    wchar_t buffer[MAX_PATH];
    lstrcpynW(buffer, path.c_str(), MAX_PATH);
    wchar_t face[kFaceNameChars] = L"";
    Sample sample;
    sample.faceIndex = faceIndex;
    HBITMAP bitmap = RenderFontSample(buffer, size, size, 16, japanese, english, sampleOnly, face, &sample.faceIndex);
    sample.faceName = face;
    if (bitmap) {
        sample.bitmap = bitmap;
        sample.pixels = ReadBitmapPixels(bitmap);
        DeleteObject(bitmap);
    }
    return sample;
}

int DarkPixels(const BitmapPixels& pixels, int fromRow = 0, int toRow = -1) {
    if (toRow < 0) toRow = pixels.height;
    int dark = 0;
    for (int y = fromRow; y < toRow; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            if (GetGValue(PixelColour(pixels.at(x, y))) < 128) ++dark;
        }
    }
    return dark;
}

class FontSample : public testing::Test {
protected:
    std::wstring Write(const std::wstring& name, const Bytes& bytes) {
        std::wstring path = folder / name;
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    TempFolder folder;
};

TEST_F(FontSample, LatinFontGetsTheEnglishSampleOnWhite) {
    Sample sample = Render(FontFixture(L"sans.ttf"));
    ASSERT_NE(sample.bitmap, nullptr);
    ASSERT_EQ(sample.pixels.width, kSize);
    ASSERT_EQ(sample.pixels.height, kSize);
    EXPECT_EQ(sample.faceName, L"DejaVu Sans");
    // Black text from the top-left corner on white.
    EXPECT_GT(DarkPixels(sample.pixels, 0, kSize / 3), 20);
    EXPECT_EQ(PixelColour(sample.pixels.at(kSize - 1, kSize - 1)), RGB(255, 255, 255));
    // With an empty English sample nothing is drawn: the Japanese one was not chosen.
    EXPECT_EQ(DarkPixels(Render(FontFixture(L"sans.ttf"), 0, kJapanese, L"").pixels), 0);
}

TEST_F(FontSample, ShiftJisFontGetsTheJapaneseSample) {
    Sample sample = Render(FontFixture(L"gothic.ttf"), 0, kJapanese, L"");
    ASSERT_NE(sample.bitmap, nullptr);
    EXPECT_GT(DarkPixels(sample.pixels), 20);
    // The Windows Japanese full name wins over the English ones.
    EXPECT_EQ(sample.faceName, L"IPAゴシック");
    EXPECT_EQ(DarkPixels(Render(FontFixture(L"gothic.ttf"), 0, L"", kEnglish).pixels), 0);
}

TEST_F(FontSample, ExtensionsDecideWhatIsDrawn) {
    Bytes font = ReadBytes(FontFixture(L"sans.ttf"));
    struct Case {
        const wchar_t* name;
        bool drawn;
    } cases[] = {{L"a.TTF", true}, {L"b.otf", true}, {L"c.fon", false}, {L"d.bin", false}, {L"e", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Render(Write(c.name, font)).bitmap != nullptr, c.drawn);
    }
    // Quotes around the path are removed in the caller's buffer.
    wchar_t quoted[MAX_PATH];
    std::wstring path = folder / L"a.TTF";
    lstrcpynW(quoted, (L"\"" + path + L"\"").c_str(), MAX_PATH);
    wchar_t face[kFaceNameChars] = L"";
    int index = 0;
    HBITMAP bitmap = RenderFontSample(quoted, kSize, kSize, 16, kJapanese, kEnglish, 1, face, &index);
    EXPECT_NE(bitmap, nullptr);
    EXPECT_EQ(std::wstring(quoted), path);
    DeleteObject(bitmap);
}

TEST_F(FontSample, WoffAndWoff2DrawLikeTheFontItself) {
    Sample plain = Render(FontFixture(L"sans.ttf"));
    ASSERT_NE(plain.bitmap, nullptr);
    // Debian's converters, and the tests' own writer with and without zlib.
    Bytes ttf = ReadBytes(FontFixture(L"sans.ttf"));
    std::vector<std::wstring> paths = {FontFixture(L"sans.woff"), FontFixture(L"sans.woff2"),
                                       Write(L"packed.woff", WriteWoff(ReadFontTables(ttf), true)),
                                       Write(L"stored.woff", WriteWoff(ReadFontTables(ttf), false))};
    for (const std::wstring& path : paths) {
        SCOPED_TRACE(path);
        Sample converted = Render(path);
        ASSERT_NE(converted.bitmap, nullptr);
        EXPECT_EQ(converted.faceName, L"DejaVu Sans");
        EXPECT_EQ(converted.pixels.pixels, plain.pixels.pixels);
    }
}

TEST_F(FontSample, EachFaceIsDrawnFromItsOwnFile) {
    // Names no installed font has: without the memory font GDI would draw
    // both in one fallback face.
    std::wstring sans = Write(L"probe_sans.ttf", RenamedFont(ReadBytes(FontFixture(L"sans.ttf")), L"Zuv Probe Sans"));
    std::wstring serif =
        Write(L"probe_serif.ttf", RenamedFont(ReadBytes(FontFixture(L"serif.ttf")), L"Zuv Probe Serif"));
    Sample a = Render(sans);
    Sample b = Render(serif);
    ASSERT_NE(a.bitmap, nullptr);
    ASSERT_NE(b.bitmap, nullptr);
    EXPECT_EQ(a.faceName, L"Zuv Probe Sans");
    EXPECT_EQ(b.faceName, L"Zuv Probe Serif");
    EXPECT_NE(a.pixels.pixels, b.pixels.pixels);
    EXPECT_EQ(a.pixels.pixels, Render(FontFixture(L"sans.ttf")).pixels.pixels);
}

TEST_F(FontSample, DrawingLeavesNoGdiObjectsBehind) {
    std::wstring sans = FontFixture(L"sans.ttf");
    ASSERT_NE(Render(sans).bitmap, nullptr);  // GDI's own first-use objects
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before == 0) GTEST_SKIP() << "GetGuiResources counts no GDI objects here";
    for (int i = 0; i < 50; ++i) ASSERT_NE(Render(sans).bitmap, nullptr);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

TEST_F(FontSample, MemoryFontsAreRemovedAfterDrawing) {
    Bytes serif = ReadBytes(FontFixture(L"serif.ttf"));
    // Whether this GDI removes memory fonts at all (Wine's does not).
    Bytes control = RenamedFont(serif, L"Zuv Probe Control");
    DWORD count = 0;
    HANDLE added = AddFontMemResourceEx(control.data(), static_cast<DWORD>(control.size()), nullptr, &count);
    ASSERT_NE(added, nullptr);
    ASSERT_TRUE(FaceIsInstalled(L"Zuv Probe Control"));
    RemoveFontMemResourceEx(added);
    if (FaceIsInstalled(L"Zuv Probe Control")) GTEST_SKIP() << "RemoveFontMemResourceEx removes nothing here";

    std::wstring probe = Write(L"probe.ttf", RenamedFont(serif, L"Zuv Probe Removed"));
    for (int i = 0; i < 20; ++i) ASSERT_NE(Render(probe).bitmap, nullptr);
    EXPECT_FALSE(FaceIsInstalled(L"Zuv Probe Removed"));
}

TEST_F(FontSample, CollectionIndexIsClampedToItsMembers) {
    std::vector<FontTables> members;
    for (const wchar_t* name : {L"sans.ttf", L"serif.ttf", L"mono.ttf"}) {
        members.push_back(ReadFontTables(ReadBytes(FontFixture(name))));
    }
    std::wstring collection = Write(L"three.ttc", WriteCollection(members));
    struct Case {
        int index;
        int clamped;
        const wchar_t* member;
    } cases[] = {{7, 2, L"mono.ttf"}, {-3, 0, L"sans.ttf"}, {1, 1, L"serif.ttf"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        Sample sample = Render(collection, c.index);
        ASSERT_NE(sample.bitmap, nullptr);
        EXPECT_EQ(sample.faceIndex, c.clamped);
        EXPECT_EQ(sample.pixels.pixels, Render(FontFixture(c.member)).pixels.pixels);
    }
}

TEST_F(FontSample, FaceNameStandsAboveTheSampleWhenAsked) {
    Sample alone = Render(FontFixture(L"sans.ttf"), 0, kJapanese, L"", 1);
    Sample named = Render(FontFixture(L"sans.ttf"), 0, kJapanese, L"", 0);
    ASSERT_NE(named.bitmap, nullptr);
    EXPECT_EQ(DarkPixels(alone.pixels), 0);
    EXPECT_GT(DarkPixels(named.pixels), 20);
}

TEST_F(FontSample, ControlCharacterInTheNameGivesNoPictureButIsReported) {
    std::wstring path =
        Write(L"control.ttf", RenamedFont(ReadBytes(FontFixture(L"sans.ttf")), std::wstring(L"Bad\x01Name")));
    Sample sample = Render(path);
    EXPECT_EQ(sample.bitmap, nullptr);
    EXPECT_EQ(sample.faceName, std::wstring(L"Bad\x01Name"));
}

// A naming table with the given records inside a minimal sfnt.
std::wstring NameOf(const std::vector<NameRecord>& records) {
    FontTables tables = {{"name", MakeNameTable(records)}};
    Bytes font = WriteSfnt(tables);
    wchar_t face[kFaceNameChars] = L"(none)";
    GuardedBytes guarded(font);
    EXPECT_EQ(ReadFontName(face, guarded.data(), guarded.size(), 0), 0);
    return face;
}

TEST(FontName, PreferenceOfNamingRecords) {
    NameRecord windowsJapanese = {3, 1, 0x0411, 4, Utf16BigEndian(L"日本語名")};
    NameRecord windowsEnglish = {3, 1, 0x0409, 4, Utf16BigEndian(L"English Name")};
    NameRecord family = {3, 1, 0x0409, 1, Utf16BigEndian(L"Family")};
    NameRecord unicodePlatform = {0, 3, 0x0409, 4, Utf16BigEndian(L"Unicode")};
    EXPECT_EQ(NameOf({windowsEnglish, windowsJapanese}), L"日本語名");
    EXPECT_EQ(NameOf({windowsJapanese, windowsEnglish}), L"日本語名");
    EXPECT_EQ(NameOf({family, windowsEnglish}), L"English Name");
    EXPECT_EQ(NameOf({family, unicodePlatform}), L"(none)");
    // A line break ends the name.
    EXPECT_EQ(NameOf({{3, 1, 0x0409, 4, Utf16BigEndian(L"First\r\nSecond")}}), L"First");
    // A string that runs past the table is not read.
    NameRecord lying = windowsEnglish;
    lying.text.resize(4);
    Bytes table = MakeNameTable({lying});
    table[6 + 8 + 1] = 200;  // its length
    Bytes font = WriteSfnt({{"name", table}});
    GuardedBytes guarded(font);
    wchar_t face[kFaceNameChars] = L"(none)";
    ReadFontName(face, guarded.data(), guarded.size(), 0);
    EXPECT_STREQ(face, L"(none)");
}

TEST(FontName, MacintoshJapaneseNameIsReadThroughTheAnsiCodePage) {
    if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not Shift-JIS";
    // "テスト" in Shift-JIS.
    NameRecord mac = {1, 1, 0x000B, 4, {0x83, 0x65, 0x83, 0x58, 0x83, 0x67}};
    NameRecord windowsEnglish = {3, 1, 0x0409, 4, Utf16BigEndian(L"English Name")};
    NameRecord windowsJapanese = {3, 1, 0x0411, 4, Utf16BigEndian(L"日本語名")};
    EXPECT_EQ(NameOf({mac, windowsEnglish}), L"テスト");
    EXPECT_EQ(NameOf({mac, windowsJapanese, windowsEnglish}), L"日本語名");
}

TEST(FontName, DataThatIsNoFontIsRefused) {
    wchar_t face[kFaceNameChars] = L"";
    const BYTE notFont[] = {0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ReadFontName(face, notFont, sizeof(notFont), 0), -1);
    const BYTE shortFont[] = {0, 1, 0, 0, 0, 1};
    EXPECT_EQ(ReadFontName(face, shortFont, sizeof(shortFont), 0), -1);
    // Records counted past the end are not read.
    Bytes font = WriteSfnt({});
    font[5] = 200;
    GuardedBytes guarded(font);
    EXPECT_EQ(ReadFontName(face, guarded.data(), guarded.size(), 0), 0);
}

TEST_F(FontSample, TruncatedAndLyingFilesGiveNoPicture) {
    Bytes ttf = ReadBytes(FontFixture(L"sans.ttf"));
    Bytes woff = ReadBytes(FontFixture(L"sans.woff"));
    Bytes woff2 = ReadBytes(FontFixture(L"sans.woff2"));
    Bytes ttc = WriteCollection({ReadFontTables(ttf), ReadFontTables(ReadBytes(FontFixture(L"serif.ttf")))});
    struct Case {
        const wchar_t* name;
        Bytes bytes;
    };
    std::vector<Case> cases;
    for (size_t keep : {size_t(3), size_t(40), size_t(300), size_t(5000)}) {
        cases.push_back({L"cut.ttf", Bytes(ttf.begin(), ttf.begin() + keep)});
        cases.push_back({L"cut.woff", Bytes(woff.begin(), woff.begin() + keep)});
        cases.push_back({L"cut.woff2", Bytes(woff2.begin(), woff2.begin() + keep)});
        cases.push_back({L"cut.ttc", Bytes(ttc.begin(), ttc.begin() + keep)});
    }
    // Half of each file: the directory fits, the tables do not.
    cases.push_back({L"half.ttf", Bytes(ttf.begin(), ttf.begin() + ttf.size() / 2)});
    cases.push_back({L"half.woff", Bytes(woff.begin(), woff.begin() + woff.size() / 2)});
    cases.push_back({L"half.woff2", Bytes(woff2.begin(), woff2.begin() + woff2.size() / 2)});
    cases.push_back({L"half.ttc", Bytes(ttc.begin(), ttc.begin() + ttc.size() / 2)});
    // A WOFF that announces no sfnt, and a collection without members.
    Bytes noSize = woff;
    std::fill(noSize.begin() + 16, noSize.begin() + 20, 0);
    cases.push_back({L"nosize.woff", noSize});
    Bytes noMembers = ttc;
    std::fill(noMembers.begin() + 8, noMembers.begin() + 12, 0);
    cases.push_back({L"empty.ttc", noMembers});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << ToUtf8(c.name) << " of " << c.bytes.size() << " bytes");
        EXPECT_EQ(Render(Write(c.name, c.bytes)).bitmap, nullptr);
    }
}

}  // namespace
