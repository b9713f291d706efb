// WOFF 1.0 and collection members turned into plain sfnt data, and WOFF2
// decoded: the layout of the output, and refusal of files whose structures
// do not fit, read from guarded memory so that a read past the end faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/font_files.h"
#include "support/guarded_bytes.h"
#include "support/test_files.h"
#include "thumbnails/renderers/font_conversion.h"

namespace {

// The sfnt of a WOFF file, or empty when it is refused.
Bytes ConvertWoff(const Bytes& woff) {
    GuardedBytes in(woff);
    int size = ConvertWoffToSfnt(in.data(), in.size(), 1, nullptr, 0);
    if (size <= 0) return Bytes();
    Bytes out(size, 0xCC);
    if (ConvertWoffToSfnt(in.data(), in.size(), 0, out.data(), out.size()) != size) return Bytes();
    return out;
}

// The member of a collection, its index clamped in place; empty when refused.
Bytes ExtractMember(const Bytes& ttc, int* index) {
    GuardedBytes in(ttc);
    size_t size = TtcMemberSize(in.data(), in.size(), index);
    if (size == 0) return Bytes();
    Bytes out(size, 0xCC);
    if (ExtractTtcMember(in.data(), in.size(), index, out.data(), out.size()) != static_cast<int>(size)) return Bytes();
    return out;
}

Bytes Filled(size_t length, unsigned char value) {
    return Bytes(length, value);
}

TEST(WoffConversion, SearchFieldsFollowTheTableCount) {
    struct Case {
        int tables;
        uint16_t searchRange, entrySelector, rangeShift;
    } cases[] = {{1, 16, 0, 0}, {12, 128, 3, 64}, {17, 256, 4, 16}, {0, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tables);
        FontTables tables;
        for (int i = 0; i < c.tables; ++i) tables.emplace_back(std::string("t") + char('A' + i) + "xx", Filled(4, 1));
        Bytes sfnt = ConvertWoff(WriteWoff(tables, false));
        ASSERT_FALSE(sfnt.empty());
        EXPECT_EQ(FontRead16(sfnt, 4), c.tables);
        EXPECT_EQ(FontRead16(sfnt, 6), c.searchRange);
        EXPECT_EQ(FontRead16(sfnt, 8), c.entrySelector);
        EXPECT_EQ(FontRead16(sfnt, 10), c.rangeShift);
    }
}

TEST(WoffConversion, TablesAreSortedPaddedAndKeepTheirChecksums) {
    FontTables tables = {{"name", Filled(5, 'n')}, {"OS/2", Filled(8, 'o')}, {"cmap", Filled(3, 'c')},
                         {"head", Filled(54, 'h')}};
    Bytes woff = WriteWoff(tables, false, 0x4F54544F);
    // A checksum of the tests' own, to see it carried over unchanged.
    woff[44 + 16] = 0x12;
    Bytes sfnt = ConvertWoff(woff);
    ASSERT_EQ(sfnt.size(), 12u + 4 * 16 + 8 + 8 + 4 + 56);
    EXPECT_EQ(FontRead32(sfnt, 0), 0x4F54544Fu);
    const char* order[] = {"OS/2", "cmap", "head", "name"};
    uint32_t at = 12 + 4 * 16;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(order[i]);
        size_t record = 12 + 16 * i;
        EXPECT_EQ(std::string(sfnt.begin() + record, sfnt.begin() + record + 4), order[i]);
        EXPECT_EQ(FontRead32(sfnt, record + 8), at);
        Bytes data = FontTable(tables, order[i]);
        EXPECT_EQ(FontRead32(sfnt, record + 12), data.size());
        EXPECT_EQ(Bytes(sfnt.begin() + at, sfnt.begin() + at + data.size()), data);
        at += (data.size() + 3) & ~size_t(3);
    }
    // The 5-byte "name" table is followed by 3 zero bytes.
    EXPECT_EQ(Bytes(sfnt.end() - 3, sfnt.end()), Bytes(3, 0));
    EXPECT_EQ(FontRead32(sfnt, 12 + 3 * 16 + 4), FontRead32(woff, 44 + 16));
}

TEST(WoffConversion, CompressedTablesInflateToTheirFontsTables) {
    Bytes ttf = ReadBytes(FontFixture(L"sans.ttf"));
    FontTables original = ReadFontTables(ttf);
    ASSERT_FALSE(original.empty());
    for (const std::wstring& name : {std::wstring(L"debian"), std::wstring(L"own")}) {
        SCOPED_TRACE(ToUtf8(name));
        Bytes woff = name == L"own" ? WriteWoff(original, true) : ReadBytes(FontFixture(L"sans.woff"));
        Bytes sfnt = ConvertWoff(woff);
        ASSERT_FALSE(sfnt.empty());
        FontTables converted = ReadFontTables(sfnt);
        ASSERT_EQ(converted.size(), original.size());
        for (const auto& table : original) EXPECT_EQ(FontTable(converted, table.first), table.second) << table.first;
    }
}

TEST(WoffConversion, FilesThatDoNotFitAreRefused) {
    FontTables tables = {{"cmap", Filled(300, 'c')}, {"head", Filled(54, 'h')}};
    Bytes packed = WriteWoff(tables, true);
    ASSERT_FALSE(ConvertWoff(packed).empty());
    ASSERT_LT(FontRead32(packed, 44 + 8), 300u) << "the cmap table is stored compressed";

    std::vector<std::pair<const char*, Bytes>> cases;
    // Short of the last table's padding, every cut loses part of a table.
    for (size_t keep = 0; keep < packed.size() - 3; keep += 7) {
        cases.emplace_back("truncated", Bytes(packed.begin(), packed.begin() + keep));
    }
    auto patched = [&](const char* what, size_t at, uint32_t value) {
        Bytes bytes = packed;
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
        cases.emplace_back(what, bytes);
    };
    patched("no sfnt size", 16, 0);
    patched("sfnt size smaller than the tables", 16, 12 + 32 + 300);
    patched("sfnt size beyond the cap", 16, 0x7FFFFFFF);
    patched("table offset past the end", 44 + 4, static_cast<uint32_t>(packed.size()) - 10);
    patched("stored length past the end", 44 + 8, 0x7FFFFFF0);
    patched("stored longer than the original", 44 + 20 + 8, 60);
    patched("original longer than it inflates to", 44 + 12, 301);
    cases.back().second[19] += 4;  // and the sfnt size to match it
    patched("original shorter than it inflates to", 44 + 12, 299);
    // More than deflate can pack into the stored bytes, with a size to match.
    patched("original beyond any inflation", 44 + 12, 200000);
    cases.back().second[17] = 0x04;
    Bytes directory = packed;
    directory[13] = 200;  // entries counted past the end
    cases.emplace_back("table count", directory);
    Bytes broken = packed;
    broken[FontRead32(packed, 44 + 4) + 4] ^= 0xFF;  // inside the deflate stream
    cases.emplace_back("broken stream", broken);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << ", " << c.second.size() << " bytes");
        EXPECT_TRUE(ConvertWoff(c.second).empty());
    }

    // The write pass refuses an output smaller than the announced size.
    GuardedBytes in(packed);
    int size = ConvertWoffToSfnt(in.data(), in.size(), 1, nullptr, 0);
    Bytes small(size - 1);
    EXPECT_EQ(ConvertWoffToSfnt(in.data(), in.size(), 0, small.data(), small.size()), 0);
}

TEST(WoffConversion, TagOrder) {
    auto before = [](const char* a, const char* b) {
        TWoffTableEntry x = {}, y = {};
        memcpy(x.tag, a, 4);
        memcpy(y.tag, b, 4);
        return CompareTableTags(x, y);
    };
    EXPECT_TRUE(before("OS/2", "cmap"));
    EXPECT_TRUE(before("cmap", "head"));
    EXPECT_FALSE(before("head", "cmap"));
    EXPECT_FALSE(before("glyf", "glyf"));
    // Bytes from 0x80 count as below 'Z' and go before lower-case tags.
    EXPECT_TRUE(before("\xC0xxx", "aaaa"));
    EXPECT_FALSE(before("aaaa", "\xC0xxx"));
}

TEST(CollectionMember, SharedTablesAreCopiedBehindTheDirectory) {
    Bytes glyf = Filled(10, 'g');
    std::vector<FontTables> members = {{{"glyf", glyf}, {"head", Filled(8, 'a')}},
                                       {{"glyf", glyf}, {"head", Filled(8, 'b')}, {"name", Filled(6, 'n')}}};
    Bytes ttc = WriteCollection(members);
    int index = 1;
    Bytes member = ExtractMember(ttc, &index);
    ASSERT_EQ(member.size(), 12u + 3 * 16 + 12 + 8 + 8);
    EXPECT_EQ(FontRead16(member, 4), 3);
    EXPECT_EQ(FontRead32(member, 12 + 8), 12u + 3 * 16);
    EXPECT_EQ(ReadFontTables(member), members[1]);
}

TEST(CollectionMember, ChecksumsCoverThePaddedTable) {
    Bytes eight = {0, 0, 0, 0xFF, 0, 0, 0, 1};
    Bytes six = {0, 0, 0, 0xFF, 0, 1};
    int index = 0;
    Bytes member = ExtractMember(WriteCollection({{{"aaaa", eight}, {"bbbb", six}}}), &index);
    ASSERT_FALSE(member.empty());
    EXPECT_EQ(FontRead32(member, 12 + 4), 0x00000100u);
    EXPECT_EQ(FontRead32(member, 12 + 16 + 4), 0x000100FFu);
    EXPECT_EQ(Bytes(member.end() - 8, member.end()), Bytes({0, 0, 0, 0xFF, 0, 1, 0, 0}));
}

TEST(CollectionMember, IndexIsClampedToTheMembers) {
    std::vector<FontTables> members;
    for (char c : {'a', 'b', 'c'}) members.push_back({{"head", Filled(4, c)}});
    Bytes ttc = WriteCollection(members);
    struct Case {
        int index, clamped;
    } cases[] = {{7, 2}, {-1, 0}, {1, 1}, {INT32_MIN, 0}, {INT32_MAX, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        int index = c.index;
        Bytes member = ExtractMember(ttc, &index);
        EXPECT_EQ(index, c.clamped);
        EXPECT_EQ(ReadFontTables(member), members[c.clamped]);
    }
}

TEST(CollectionMember, CollectionsThatDoNotFitAreRefused) {
    Bytes ttc = WriteCollection({{{"head", Filled(54, 'h')}, {"glyf", Filled(100, 'g')}}});
    std::vector<std::pair<const char*, Bytes>> cases;
    for (size_t keep = 0; keep < ttc.size(); keep += 5) {
        cases.emplace_back("truncated", Bytes(ttc.begin(), ttc.begin() + keep));
    }
    auto patched = [&](const char* what, size_t at, uint32_t value) {
        Bytes bytes = ttc;
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
        cases.emplace_back(what, bytes);
    };
    size_t member = FontRead32(ttc, 12);
    patched("no members", 8, 0);
    patched("more members than offsets", 8, 0x40000000);
    patched("member offset past the end", 12, static_cast<uint32_t>(ttc.size()) - 4);
    patched("table offset past the end", member + 12 + 8, static_cast<uint32_t>(ttc.size()));
    patched("table length past the end", member + 12 + 12, 0xFFFFFFF0);
    patched("table count past the end", member + 4, 0x7FFF0000);
    patched("not a collection", 0, 0x00010000);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << ", " << c.second.size() << " bytes");
        int index = 0;
        EXPECT_TRUE(ExtractMember(c.second, &index).empty());
    }
    // An output smaller than the member is not written.
    GuardedBytes in(ttc);
    int index = 0;
    size_t size = TtcMemberSize(in.data(), in.size(), &index);
    Bytes small(size - 1);
    EXPECT_EQ(ExtractTtcMember(in.data(), in.size(), &index, small.data(), small.size()), 0);
}

TEST(Woff2Conversion, DecodesToAnSfntWithTheFontsTables) {
    Bytes woff2 = ReadBytes(FontFixture(L"sans.woff2"));
    std::string sfnt = DecodeWoff2(std::string(woff2.begin(), woff2.end()));
    Bytes decoded(sfnt.begin(), sfnt.end());
    ASSERT_FALSE(decoded.empty());
    EXPECT_TRUE(FontTablesFit(decoded.data(), decoded.size()));
    FontTables original = ReadFontTables(ReadBytes(FontFixture(L"sans.ttf")));
    FontTables tables = ReadFontTables(decoded);
    ASSERT_EQ(tables.size(), original.size());
    // glyf and loca are rebuilt by the decoder; the others come back as they were.
    EXPECT_EQ(FontTable(tables, "cmap"), FontTable(original, "cmap"));
    EXPECT_EQ(FontTable(tables, "name"), FontTable(original, "name"));
}

TEST(Woff2Conversion, TruncatedAndLyingFilesDecodeToNothing) {
    Bytes woff2 = ReadBytes(FontFixture(L"sans.woff2"));
    for (size_t keep : {size_t(0), size_t(19), size_t(48), size_t(200), woff2.size() / 2, woff2.size() - 1}) {
        SCOPED_TRACE(keep);
        EXPECT_TRUE(DecodeWoff2(std::string(woff2.begin(), woff2.begin() + keep)).empty());
    }
    // A header that announces about 2 GiB starts a 30 MiB output, and the
    // font is what the decoder wrote into it.
    Bytes lying = woff2;
    lying[16] = 0x7F;
    EXPECT_EQ(DecodeWoff2(std::string(lying.begin(), lying.end())).size(),
              DecodeWoff2(std::string(woff2.begin(), woff2.end())).size());
}

TEST(Woff2Conversion, OutputStartsAtTheAnnouncedSizeUpToTheCap) {
    Bytes header(20, 0);
    header[16] = 0x02;  // 32 MiB
    header[17] = 0x80;  // 40 MiB
    EXPECT_EQ(Woff2OutputSize(header.data(), header.size()), size_t(30) * 1024 * 1024);
    header[16] = 0;
    header[17] = 0x01;  // 64 KiB
    EXPECT_EQ(Woff2OutputSize(header.data(), header.size()), size_t(65536));
    EXPECT_EQ(Woff2OutputSize(header.data(), 19), size_t(0));
}

TEST(FontTables, RecordsMustLieWithinTheData) {
    Bytes sfnt = WriteSfnt({{"head", Filled(54, 'h')}, {"name", Filled(20, 'n')}});
    EXPECT_TRUE(FontTablesFit(sfnt.data(), sfnt.size()));
    for (size_t keep = 0; keep < sfnt.size() - 3; keep += 3) {
        SCOPED_TRACE(keep);
        GuardedBytes cut(Bytes(sfnt.begin(), sfnt.begin() + keep));
        EXPECT_FALSE(FontTablesFit(cut.data(), cut.size()));
    }
    Bytes ttc = WriteCollection({ReadFontTables(sfnt), ReadFontTables(sfnt)});
    EXPECT_TRUE(FontTablesFit(ttc.data(), ttc.size()));
    ttc[12 + 4 + 3] = 0xF0;  // second member's offset past the end
    GuardedBytes lying(ttc);
    EXPECT_FALSE(FontTablesFit(lying.data(), lying.size()));
}

}  // namespace
