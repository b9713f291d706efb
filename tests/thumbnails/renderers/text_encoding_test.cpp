// The encoding guess: marks first, then the UTF-8 and Shift-JIS scores,
// ties to UTF-8; no byte outside the given span is read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/guarded_bytes.h"
#include "thumbnails/renderers/text_encoding.h"

namespace {

struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    int encoding;
};

std::vector<unsigned char> Bytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

TEST(TextEncoding, DetectsMarksAndComparesScores) {
    const Case cases[] = {
        {"UTF-16 LE mark", {0xFF, 0xFE, 'a', 0}, kTextUtf16Le},
        {"UTF-16 LE mark alone", {0xFF, 0xFE}, kTextUtf16Le},
        {"UTF-16 BE mark", {0xFE, 0xFF, 0, 'a'}, kTextUtf16Be},
        {"UTF-8 mark", {0xEF, 0xBB, 0xBF, 'a'}, kTextUtf8},
        {"UTF-8 mark alone", {0xEF, 0xBB, 0xBF}, kTextUtf8},
        {"half a mark", {0xFF}, kTextUtf8},
        {"empty", {}, kTextAnsi},
        {"ASCII", Bytes("plain text\r\nline 2\t~"), kTextAnsi},
        {"DEL counts as above 0x7E", {'a', 0x7F}, kTextUtf8},
        {"Shift-JIS character", {0x82, 0xA0}, kTextAnsi},
        {"UTF-8 character", {0xE3, 0x81, 0x82}, kTextUtf8},
        {"ASCII with A0 ties", Bytes("abc\xA0" "def\xA0"), kTextUtf8},
        {"Shift-JIS text", Bytes("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67\n"), kTextAnsi},
        {"UTF-8 text", Bytes("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x86\xe3\x82\xad\n"), kTextUtf8},
        {"four-byte UTF-8", Bytes("a\xF0\x9F\x98\x80z"), kTextUtf8},
        {"half-width katakana", Bytes("\xB1\xB2\xB3\xB4"), kTextAnsi},
        // A broken sequence at the third-last byte rules UTF-8 out.
        {"UTF-8 broken near the end", Bytes("\xE3\x81\x82\xE3\x81\x82\x85xx"), kTextAnsi},
        // An invalid Shift-JIS pair rules Shift-JIS out.
        {"Latin-1", Bytes("caf\xE9 ok"), kTextUtf8},
        {"binary", {0x00, 0x01, 0x80, 0x00, 0xFC, 0x00, 0x10}, kTextUtf8},
        // The sample ends inside a character: the cut character counts for
        // neither encoding.
        {"UTF-8 kana cut after two bytes", Bytes("\xE3\x81\x82\xE3\x81\x84\xE3\x81"), kTextUtf8},
        {"UTF-8 kana cut after one byte", Bytes("\xE3\x81\x82\xE3\x81\x84\xE3"), kTextUtf8},
        {"UTF-8 kana and an emoji cut after three bytes", Bytes("\xE3\x81\x82\xE3\x81\x84\xF0\x9F\x98"),
         kTextUtf8},
        {"an emoji cut after two bytes", Bytes("a\xE3\x81\x82\xF0\x9F"), kTextUtf8},
        {"a two-byte character cut", Bytes("caf\xC3\xA9 \xC3"), kTextUtf8},
        // Shift-JIS stays Shift-JIS, whatever its last byte.
        {"Shift-JIS ending in a lead byte", Bytes("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83"), kTextAnsi},
        {"Shift-JIS ending in a byte of E0..EF", Bytes("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\xE8"), kTextAnsi},
        // Continuation bytes alone at the end are no cut character.
        {"UTF-8 broken at the end", Bytes("\xE3\x81\x82\x81\x82\x83"), kTextAnsi},
    };
    for (const Case& c : cases) {
        GuardedBytes bytes(c.bytes);
        EXPECT_EQ(DetectTextEncoding(bytes.data(), static_cast<uint32_t>(bytes.size())), c.encoding) << c.what;
    }
}

TEST(TextEncoding, Scores) {
    struct ScoreCase {
        std::vector<unsigned char> bytes;
        int64_t utf8;
        int64_t shiftJis;
    } cases[] = {
        {{0x82, 0xA0}, 0, 2},
        {{0xE3, 0x81, 0x82}, 3, 2},
        {{'a', 0xA0, 0xFF, 'b'}, 2, 2},
        {{0xC3, 0xA9}, 2, 2},
        // A lead byte in last place is skipped by both.
        {{'a', 0xE3}, 1, 1},
        {{0xF0, 0x9F, 0x98, 0x80}, 4, 4},
        {{0x85, 'a', 'b'}, -1, 3},
    };
    for (const ScoreCase& c : cases) {
        GuardedBytes bytes(c.bytes);
        EXPECT_EQ(Utf8Score(bytes.data(), static_cast<uint32_t>(bytes.size())), c.utf8);
        EXPECT_EQ(ShiftJisScore(bytes.data(), static_cast<uint32_t>(bytes.size())), c.shiftJis);
    }
}

}  // namespace
