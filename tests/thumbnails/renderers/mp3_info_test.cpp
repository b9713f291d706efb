// ID3 tags written by the test itself: the frame walk of versions 2.2, 2.3
// and 2.4, the text encodings, version 1 titles, and the caption with the
// running time that MCI reports for real MPEG audio frames.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "support/test_pictures.h"
#include "support/guarded_bytes.h"
#include "support/test_files.h"
#include "thumbnails/renderers/mp3_info.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Utf16(const std::wstring& s) {
    Bytes out;
    for (wchar_t c : s) {
        out.push_back(BYTE(c));
        out.push_back(BYTE(c >> 8));
    }
    return out;
}

Bytes SyncsafeBytes(uint32_t v) { return {BYTE(v >> 21 & 0x7F), BYTE(v >> 14 & 0x7F), BYTE(v >> 7 & 0x7F), BYTE(v & 0x7F)}; }
Bytes BigEndian32(uint32_t v) { return {BYTE(v >> 24), BYTE(v >> 16), BYTE(v >> 8), BYTE(v)}; }

// One frame; sizeOverride stands in the header instead of the body's size.
Bytes Frame(int version, const std::string& id, const Bytes& body, long sizeOverride = -1) {
    uint32_t size = sizeOverride >= 0 ? uint32_t(sizeOverride) : uint32_t(body.size());
    if (version == 2) return Text(id) + Bytes{BYTE(size >> 16), BYTE(size >> 8), BYTE(size)} + body;
    return Text(id) + (version == 4 ? SyncsafeBytes(size) : BigEndian32(size)) + Bytes{0, 0} + body;
}

Bytes Tag(int version, BYTE flags, const Bytes& frames, size_t padding = 16, const Bytes& extended = {}) {
    Bytes body = extended + frames + Bytes(padding, 0);
    return Text("ID3") + Bytes{BYTE(version), 0, flags} + SyncsafeBytes(uint32_t(body.size())) + body;
}

Bytes Latin1Title(const std::string& s) { return Bytes{0} + Text(s); }
Bytes Utf16Title(const std::wstring& s) { return Bytes{1, 0xFF, 0xFE} + Utf16(s) + Bytes{0, 0}; }

Bytes Cover(const wchar_t* name) { return ReadBytes(MediaFixture(name)); }

// A picture frame body: MIME type (or 3-letter format for version 2.2),
// picture type, a Latin-1 description and the data.
Bytes PictureBody(int version, BYTE pictureType, const Bytes& data, const std::string& description = "cover") {
    Bytes format = version == 2 ? Text("PNG") : Text("image/png") + Bytes{0};
    return Bytes{0} + format + Bytes{pictureType} + Text(description) + Bytes{0} + data;
}

const uint32_t kRed = 0xFFFF0000;
const uint32_t kBlue = 0xFF0000FF;

// The title buffer inside a larger block whose tail must stay untouched.
struct TitleBuffer {
    wchar_t chars[kMp3TitleChars + 16];
    TitleBuffer(const wchar_t* text = L"") {
        for (wchar_t& c : chars) c = L'#';
        wcscpy(chars, text);
    }
    bool TailIntact() const {
        for (int i = kMp3TitleChars; i < kMp3TitleChars + 16; ++i) {
            if (chars[i] != L'#') return false;
        }
        return true;
    }
    std::wstring text() const { return chars; }
};

// The walk over guarded bytes: a read past the tag faults.
HBITMAP Walk(const Bytes& tag, TitleBuffer& title) {
    GuardedBytes guarded(tag);
    HBITMAP cover = ReadId3v2Tag(guarded.data(), guarded.size(), title.chars);
    EXPECT_TRUE(title.TailIntact());
    return cover;
}

// The colour of a 4 x 4 cover, or 0 when there is none.
uint32_t CoverColour(HBITMAP cover) {
    if (!cover) return 0;
    BitmapPixels p = ReadBitmapPixels(cover);
    DeleteObject(cover);
    if (p.width != 4 || p.height != 4) return 1;
    return p.at(2, 2);
}

TEST(Id3v2Walk, SyncsafeTagSizeReads257) {
    // A title frame at offset 250 lies inside a 257-byte tag, one at 300
    // beyond it.
    Bytes artist = Frame(3, "TPE1", Latin1Title(std::string(250 - 10 - 10, 'a')));
    Bytes first = Frame(3, "TIT2", Latin1Title(std::string(300 - 250 - 10 - 1, 'f')));
    Bytes second = Frame(3, "TIT2", Latin1Title("second"));
    Bytes frames = artist + first + second;
    Bytes tag = Text("ID3") + Bytes{3, 0, 0, 0x00, 0x00, 0x02, 0x01} + frames + Bytes(300, 0);
    TitleBuffer title;
    EXPECT_EQ(Walk(tag, title), nullptr);
    EXPECT_EQ(title.text(), std::wstring(39, L'f'));
}

TEST(Id3v2Walk, ExtendedHeaderIsSkipped) {
    Bytes title = Frame(4, "TIT2", Latin1Title("four"));
    // Version 2.4 counts the whole extended header in its syncsafe size.
    Bytes extended4 = SyncsafeBytes(6) + Bytes{1, 0};
    TitleBuffer t4;
    EXPECT_EQ(Walk(Tag(4, 0x40, title, 16, extended4), t4), nullptr);
    EXPECT_EQ(t4.text(), L"four");
    // Version 2.3 leaves out the size's own four bytes.
    Bytes extended3 = BigEndian32(6) + Bytes{0, 0, 0, 0, 0, 0};
    TitleBuffer t3;
    EXPECT_EQ(Walk(Tag(3, 0x40, Frame(3, "TIT2", Latin1Title("three")), 16, extended3), t3), nullptr);
    EXPECT_EQ(t3.text(), L"three");
}

struct OrderCase {
    const char* name;
    int version;
    std::vector<std::string> frames;  // TIT2, FRONT, FRONT2 (blue), BACK, TPE1
    const wchar_t* callerText;
    const wchar_t* title;
    uint32_t cover;
};

class Id3v2Order : public testing::TestWithParam<OrderCase> {};

TEST_P(Id3v2Order, PictureAndTitleFramesDecide) {
    const OrderCase& c = GetParam();
    int v = c.version;
    bool shortIds = v == 2;
    Bytes frames;
    for (const std::string& f : c.frames) {
        if (f == "TITLE") frames = frames + Frame(v, shortIds ? "TT2" : "TIT2", Latin1Title("Song"));
        if (f == "ARTIST") frames = frames + Frame(v, shortIds ? "TP1" : "TPE1", Latin1Title("Band"));
        if (f == "FRONT") frames = frames + Frame(v, shortIds ? "PIC" : "APIC", PictureBody(v, 3, Cover(L"cover_red.png")));
        if (f == "OTHER") frames = frames + Frame(v, shortIds ? "PIC" : "APIC", PictureBody(v, 0, Cover(L"cover_red.png")));
        if (f == "FRONT2") frames = frames + Frame(v, shortIds ? "PIC" : "APIC", PictureBody(v, 3, Cover(L"cover_blue.png")));
        if (f == "BACK") frames = frames + Frame(v, shortIds ? "PIC" : "APIC", PictureBody(v, 4, Cover(L"cover_blue.png")));
    }
    TitleBuffer title(c.callerText);
    EXPECT_EQ(CoverColour(Walk(Tag(v, 0, frames), title)), c.cover);
    EXPECT_EQ(title.text(), c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Id3v2Order,
    testing::Values(OrderCase{"TitleThenCover", 3, {"TITLE", "FRONT"}, L"", L"Song", kRed},
                    OrderCase{"TitleThenCover24", 4, {"ARTIST", "TITLE", "FRONT"}, L"", L"Song", kRed},
                    OrderCase{"CoverFirstKeepsCallerText", 3, {"FRONT", "TITLE"}, L"file.mp3", L"file.mp3", kRed},
                    OrderCase{"CoverFirstEmptyBufferGoesOn", 3, {"FRONT", "TITLE"}, L"", L"Song", kRed},
                    OrderCase{"PictureTypeOtherCounts", 4, {"OTHER", "TITLE"}, L"", L"Song", kRed},
                    OrderCase{"BackCoverFirstEndsTheWalk", 3, {"BACK", "FRONT", "TITLE"}, L"x", L"x", 0},
                    OrderCase{"LaterFrontReplacesEarlier", 3, {"FRONT", "FRONT2", "TITLE"}, L"", L"Song", kBlue},
                    OrderCase{"BackAfterFrontDropsTheCover", 3, {"FRONT", "BACK", "TITLE"}, L"", L"Song", 0},
                    OrderCase{"Version22", 2, {"ARTIST", "TITLE", "FRONT"}, L"", L"Song", kRed},
                    OrderCase{"Version22CoverFirst", 2, {"FRONT", "TITLE"}, L"name", L"name", kRed},
                    OrderCase{"NoPictures", 4, {"ARTIST", "TITLE"}, L"", L"Song", 0}),
    [](const testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(Id3v2Walk, Utf16DescriptionBeforePictureData) {
    for (int v : {2, 3, 4}) {
        // "ab" with a byte-order mark, then the two-byte terminator; the data
        // must not be taken from the first single zero byte.
        Bytes format = v == 2 ? Text("PNG") : Text("image/png") + Bytes{0};
        Bytes body = Bytes{1} + format + Bytes{3} + Bytes{0xFF, 0xFE, 'a', 0, 'b', 0, 0, 0} + Cover(L"cover_red.png");
        Bytes frames = Frame(v, v == 2 ? "PIC" : "APIC", body) + Frame(v, v == 2 ? "TT2" : "TIT2", Utf16Title(L"Ünïcode"));
        TitleBuffer title;
        EXPECT_EQ(CoverColour(Walk(Tag(v, 0, frames), title)), kRed) << v;
        EXPECT_EQ(title.text(), L"Ünïcode");
    }
}

// Writers that count only the picture data in the frame size: the next
// frame is sought after the data instead.
TEST(Id3v2Walk, PictureSizeCountingOnlyTheData) {
    Bytes data = Cover(L"cover_red.png") + Bytes(16, '~');  // decoders ignore bytes after IEND
    Bytes body = PictureBody(3, 3, data, "");
    Bytes frames = Frame(3, "APIC", body, long(data.size())) + Frame(3, "TIT2", Latin1Title("After"));
    TitleBuffer title;
    EXPECT_EQ(CoverColour(Walk(Tag(3, 0, frames), title)), kRed);
    EXPECT_EQ(title.text(), L"After");
}

// With unsynchronisation a zero follows the byte-order mark's first byte
// and is not counted in the frame size.
TEST(Id3v2Walk, UnsynchronisedUtf16Title) {
    Bytes body = {1, 0xFF, 0x00, 0xFE, 'A', 0, 'B', 0, 0, 0};
    Bytes frames = Frame(3, "TIT2", body, long(body.size() - 1)) + Frame(3, "APIC", PictureBody(3, 3, Cover(L"cover_red.png")));
    TitleBuffer title;
    EXPECT_EQ(CoverColour(Walk(Tag(3, 0x80, frames), title)), kRed);
    EXPECT_EQ(title.text(), L"AB");
}

struct EncodingCase {
    const char* name;
    Bytes body;
    std::wstring title;
};

class Id3TextFrame : public testing::TestWithParam<EncodingCase> {};

TEST_P(Id3TextFrame, Decodes) {
    const EncodingCase& c = GetParam();
    TitleBuffer title(L"before");
    GuardedBytes guarded(c.body);
    DecodeId3TextFrame(guarded.data(), guarded.size(), 0, uint32_t(c.body.size()), c.body.empty() ? 0 : c.body[0], 0,
                       title.chars);
    EXPECT_EQ(title.text(), c.title);
    EXPECT_TRUE(title.TailIntact());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, Id3TextFrame,
    testing::Values(EncodingCase{"Ansi", Bytes{0} + Text("Plain"), L"Plain"},
                    EncodingCase{"AnsiStopsAtZero", Bytes{0} + Text("One") + Bytes{0} + Text("Two"), L"One"},
                    EncodingCase{"Utf16", Utf16Title(L"W\u00e9rk"), L"W\u00e9rk"},
                    EncodingCase{"Utf16BomNotExamined", Bytes{1, 0x00, 0x00, 'Z', 0}, L"Z"},
                    EncodingCase{"Utf16OddTail", Bytes{1, 0xFF, 0xFE, 'Q', 0, 'R'}, L"Q"},
                    EncodingCase{"Utf16BigEndianGivesEmpty", Bytes{2, 0, 'X'}, L""},
                    EncodingCase{"Utf8", Bytes{3} + Text("\xE6\x97\xA5\xE6\x9C\xAC"), L"\u65e5\u672c"},
                    EncodingCase{"OtherEncoding", Bytes{7} + Text("abc"), L""},
                    EncodingCase{"OnlyTheEncodingByte", Bytes{0}, L""},
                    EncodingCase{"Utf16WithoutRoomForTheMark", Bytes{1, 0xFF}, L""}),
    [](const testing::TestParamInfo<EncodingCase>& info) { return std::string(info.param.name); });

TEST(Id3TextFrame, InvalidUtf8NeverEndsTheThread) {
    for (const Bytes& bytes : {Bytes{3, 'A', 0xFF, 0xFE, 'B'}, Bytes{3, 0xC3}, Bytes{3, 0xED, 0xA0, 0x80, 'x'},
                               Bytes{3, 'C', 0xE6, 0x97}, Bytes{3, 0x80, 0x80, 0x80}}) {
        TitleBuffer title(L"before");
        GuardedBytes guarded(bytes);
        DecodeId3TextFrame(guarded.data(), guarded.size(), 0, uint32_t(bytes.size()), 3, 0, title.chars);
        std::wstring text = title.text();
        EXPECT_NE(text, L"before");
        // Valid parts stay; broken ones become replacement characters.
        if (bytes[1] == 'A') {
            EXPECT_EQ(text.front(), L'A');
            EXPECT_EQ(text.back(), L'B');
            EXPECT_NE(text.find(L'\uFFFD'), std::wstring::npos);
        }
    }
}

TEST(Id3TextFrame, ShiftJisInTheJapaneseCodePage) {
    if (GetACP() != 932) GTEST_SKIP() << "the thread's ANSI code page is not 932";
    Bytes body = Bytes{0} + Text("\x83\x65\x83\x58\x83\x67");
    TitleBuffer title;
    DecodeId3TextFrame(body.data(), body.size(), 0, uint32_t(body.size()), 0, 0, title.chars);
    EXPECT_EQ(title.text(), L"\u30c6\u30b9\u30c8");
}

TEST(Id3TextFrame, LongTitlesAreCutToTheBuffer) {
    for (int encoding : {0, 1, 3}) {
        Bytes body = encoding == 1 ? Utf16Title(std::wstring(400, L'x')) : Bytes{BYTE(encoding)} + Text(std::string(5000, 'y'));
        TitleBuffer title;
        DecodeId3TextFrame(body.data(), body.size(), 0, uint32_t(body.size()), encoding, 0, title.chars);
        EXPECT_EQ(title.text().size(), size_t(kMp3TitleChars - 1));
        EXPECT_TRUE(title.TailIntact());
    }
    // A cut never leaves half a surrogate pair.
    std::wstring pairs;
    for (int i = 0; i < 200; ++i) pairs += L"a\U0001F600";
    TitleBuffer title;
    Bytes body = Utf16Title(pairs);
    DecodeId3TextFrame(body.data(), body.size(), 0, uint32_t(body.size()), 1, 0, title.chars);
    std::wstring text = title.text();
    ASSERT_FALSE(text.empty());
    EXPECT_FALSE(IS_HIGH_SURROGATE(text.back()));
}

// Sizes and offsets from the file that run past its end, and every prefix of
// a valid tag: the walk stays inside the bytes.
TEST(Id3v2Walk, HostileTagsStayInside) {
    Bytes good = Tag(3, 0, Frame(3, "TIT2", Latin1Title("Good")) + Frame(3, "APIC", PictureBody(3, 3, Cover(L"cover_red.png"))), 0);
    for (size_t n = 0; n <= good.size(); ++n) {
        TitleBuffer title(L"t");
        HBITMAP cover = Walk(Bytes(good.begin(), good.begin() + n), title);
        if (cover) DeleteObject(cover);
    }
    std::vector<Bytes> hostile = {
        Text("ID3") + Bytes{3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F} + Frame(3, "TIT2", Latin1Title("Huge"), 0x7FFFFFFF),
        Text("ID3") + Bytes{4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F} + Frame(4, "APIC", Bytes{0, 'i', 'm'}, 0x0FFFFFFF),
        Text("ID3") + Bytes{3, 0, 0x40, 0x7F, 0x7F, 0x7F, 0x7F} + BigEndian32(0xFFFFFFF0),
        Text("ID3") + Bytes{4, 0, 0x40, 0x7F, 0x7F, 0x7F, 0x7F} + Bytes{0x7F, 0x7F},
        Text("ID3") + Bytes{2, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F} + Frame(2, "PIC", Bytes{1, 'P', 'N', 'G', 3, 'a'}, 0xFFFFFF),
        Text("ID3") + Bytes{3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F} + Frame(3, "APIC", Bytes{1, 'x', 0, 3, 'a', 0}, 0),
        Text("ID3") + Bytes{3, 0, 0x80, 0x7F, 0x7F, 0x7F, 0x7F} + Frame(3, "TIT2", Bytes{1}, 0),
        Text("ID3") + Bytes{3, 0, 0, 0, 0, 0, 0x7F} + Frame(3, "APIC", Bytes{0, 'i', 0, 3, 0, 'x', 'x'}, 2) + Text("~~~"),
        Text("ID3") + Bytes{3, 0, 0},
    };
    for (const Bytes& tag : hostile) {
        TitleBuffer title(L"t");
        HBITMAP cover = Walk(tag, title);
        if (cover) DeleteObject(cover);
    }
    std::mt19937 random(99);
    for (int i = 0; i < 3000; ++i) {
        Bytes tag(good.begin(), good.begin() + 10 + random() % (good.size() - 10));
        for (int k = 0; k < 4; ++k) tag[random() % tag.size()] = static_cast<BYTE>(random());
        TitleBuffer title;
        HBITMAP cover = Walk(tag, title);
        if (cover) DeleteObject(cover);
    }
}

struct V1Case {
    const char* name;
    std::string field;  // the 30-byte title field
    const wchar_t* title;
};

class Id3v1 : public testing::TestWithParam<V1Case> {};

Bytes V1Tag(const std::string& field) {
    Bytes tag = Text("TAG") + Text(field.substr(0, 30));
    tag.resize(3 + 30, 0);
    tag.resize(128, 0);
    return tag;
}

TEST_P(Id3v1, TitleField) {
    Bytes file = Bytes(300, 0xAA) + V1Tag(GetParam().field);
    GuardedBytes guarded(file);
    TitleBuffer title(L"keep");
    EXPECT_TRUE(ReadId3v1Title(guarded.data(), guarded.size(), title.chars));
    EXPECT_EQ(title.text(), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Id3v1,
    testing::Values(V1Case{"PaddedWithBlanks", "Word" + std::string(26, ' '), L"Word                          "},
                    V1Case{"EndedByZero", std::string("Short\0junk", 10), L"Short"},
                    V1Case{"ThirtyCharacters", "abcdefghijklmnopqrstuvwxyz0123", L"abcdefghijklmnopqrstuvwxyz0123"},
                    V1Case{"Empty", "", L""}),
    [](const testing::TestParamInfo<V1Case>& info) { return std::string(info.param.name); });

TEST(Id3v1Title, NoTagLeavesTheBuffer) {
    Bytes lower = Bytes(200, 0) + V1Tag("Title");
    lower[200] = 't';
    Bytes shortFile = Text("TAGshort");
    for (const Bytes& file : {lower, shortFile, Bytes(127, 'T'), Bytes{}}) {
        GuardedBytes guarded(file);
        TitleBuffer title(L"keep");
        EXPECT_FALSE(ReadId3v1Title(guarded.data(), guarded.size(), title.chars));
        EXPECT_EQ(title.text(), L"keep");
    }
    // Exactly 128 bytes is a tag and nothing else.
    Bytes only = V1Tag("Only");
    TitleBuffer title;
    EXPECT_TRUE(ReadId3v1Title(only.data(), only.size(), title.chars));
    EXPECT_EQ(title.text(), L"Only");
}

TEST(Mp3Caption, DurationInMinutesAndSeconds) {
    struct Case {
        int ms;
        const wchar_t* caption;
    };
    for (const Case& c : {Case{3526, L"Song (00:03)"}, Case{215400, L"Song (03:35)"}, Case{6000000, L"Song (100:00)"},
                          Case{0, L"Song (00:00)"}, Case{59999, L"Song (00:59)"}}) {
        TitleBuffer title(L"Song");
        ComposeMp3Caption(title.chars, c.ms);
        EXPECT_EQ(title.text(), c.caption);
    }
    TitleBuffer title(std::wstring(kMp3TitleChars - 1, L'z').c_str());
    ComposeMp3Caption(title.chars, 1000);
    EXPECT_EQ(title.text(), std::wstring(kMp3TitleChars - 1, L'z'));
    EXPECT_TRUE(title.TailIntact());
    TitleBuffer almost(std::wstring(kMp3TitleChars - 5, L'n').c_str());
    ComposeMp3Caption(almost.chars, 1000);
    EXPECT_EQ(almost.text(), std::wstring(kMp3TitleChars - 5, L'n') + L" (00");
}

// Files on disk: the extension rule, the version 1 fallback and the running
// time from MCI.
class Mp3Files : public testing::Test {
protected:
    static void SetUpTestSuite() {
        audio_ = new Bytes(ReadBytes(MediaFixture(L"silence.mp3")));
        std::wstring open = L"open \"" + MediaFixture(L"silence.mp3") + L"\" alias _ZuvProbe";
        mciAvailable_ = mciSendStringW(open.c_str(), nullptr, 0, nullptr) == 0;
        mciSendStringW(L"close _ZuvProbe", nullptr, 0, nullptr);
    }
    static void TearDownTestSuite() {
        delete audio_;
        audio_ = nullptr;
    }
    std::wstring Write(const std::wstring& name, const Bytes& bytes) {
        std::wstring path = folder_ / name;
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    HBITMAP Read(std::wstring path, TitleBuffer& title) {
        wchar_t buffer[MAX_PATH + 2] = L"";
        wcsncpy(buffer, path.c_str(), MAX_PATH + 1);
        return ReadMp3Info(buffer, title.chars);
    }
    // The running time that MCI gives the test audio.
    std::wstring Duration() const { return mciAvailable_ ? L"(00:03)" : L"(00:00)"; }
    static Bytes* audio_;
    static bool mciAvailable_;
    TempFolder folder_;
};

Bytes* Mp3Files::audio_ = nullptr;
bool Mp3Files::mciAvailable_ = false;

TEST_F(Mp3Files, RunningTimeFromMci) {
    if (!mciAvailable_) GTEST_SKIP() << "MCI cannot open MP3 files here (no audio device)";
    Bytes tag = Tag(3, 0, Frame(3, "TIT2", Latin1Title("Silence")) + Frame(3, "APIC", PictureBody(3, 3, Cover(L"cover_red.png"))));
    std::wstring path = Write(L"song.mp3", tag + *audio_);
    TitleBuffer title;
    EXPECT_EQ(CoverColour(Read(path, title)), kRed);
    EXPECT_EQ(title.text(), L"Silence (00:03)");
}

TEST_F(Mp3Files, ExtensionDecidesAndIgnoresCase) {
    Bytes file = Tag(4, 0, Frame(4, "TIT2", Latin1Title("Upper"))) + *audio_;
    TitleBuffer upper;
    EXPECT_EQ(Read(Write(L"LOUD.MP3", file), upper), nullptr);
    EXPECT_EQ(upper.text(), L"Upper " + Duration());

    TitleBuffer other(L"untouched");
    EXPECT_EQ(Read(Write(L"clip.mp4", file), other), nullptr);
    EXPECT_EQ(other.text(), L"untouched");
    TitleBuffer missing(L"untouched");
    EXPECT_EQ(Read(folder_ / L"missing.mp3", missing), nullptr);
    EXPECT_EQ(missing.text(), L"untouched");
}

TEST_F(Mp3Files, QuotesAroundThePathAreRemovedInPlace) {
    std::wstring path = Write(L"quoted name.mp3", Tag(3, 0, Frame(3, "TIT2", Latin1Title("Q"))) + *audio_);
    wchar_t buffer[MAX_PATH] = L"";
    wcscpy(buffer, (L"\"" + path + L"\"").c_str());
    TitleBuffer title;
    EXPECT_EQ(ReadMp3Info(buffer, title.chars), nullptr);
    EXPECT_EQ(std::wstring(buffer), path);
    EXPECT_EQ(title.text(), L"Q " + Duration());
}

TEST_F(Mp3Files, Version1TitleWhenThereIsNoVersion2Tag) {
    std::wstring padded = Write(L"v1.mp3", *audio_ + V1Tag("Word" + std::string(26, ' ')));
    TitleBuffer title(L"name.mp3");
    EXPECT_EQ(Read(padded, title), nullptr);
    EXPECT_EQ(title.text(), L"Word" + std::wstring(26, L' ') + L" " + Duration());

    // A version 2 tag, even one without a title, rules out version 1.
    std::wstring both = Write(L"both.mp3", Tag(3, 0, Frame(3, "TPE1", Latin1Title("Band"))) + *audio_ + V1Tag("Old title"));
    TitleBuffer kept(L"name.mp3");
    EXPECT_EQ(Read(both, kept), nullptr);
    EXPECT_EQ(kept.text(), L"name.mp3 " + Duration());
}

TEST_F(Mp3Files, ShortFilesAreSafe) {
    for (const Bytes& bytes : {Bytes{}, Text("ID3"), Text("ID3\x03\x00\x00\x00\x00"), Text("TAG"), Bytes(127, 'T')}) {
        TitleBuffer title(L"small");
        EXPECT_EQ(Read(Write(L"small.mp3", bytes), title), nullptr);
        EXPECT_EQ(title.text(), L"small (00:00)");
        EXPECT_TRUE(title.TailIntact());
    }
}

}  // namespace
