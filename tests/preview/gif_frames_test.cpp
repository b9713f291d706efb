#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "preview/gif_frames.h"
#include "support/guarded_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& b, int v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// GIF block structure written by hand; image data is a token sub-block,
// never decoded by these readers.
struct GifBytes {
    Bytes b;
    explicit GifBytes(const char* version = "89a", bool globalTable = true) {
        b = {'G', 'I', 'F'};
        b.insert(b.end(), version, version + 3);
        Le16(b, 10);
        Le16(b, 10);
        b.push_back(globalTable ? 0x80 : 0x00);  // 2-entry table
        b.push_back(0);
        b.push_back(0);
        if (globalTable) b.insert(b.end(), {0, 0, 0, 255, 255, 255});
    }
    GifBytes& Control(uint8_t packed, int delay) {
        b.insert(b.end(), {0x21, 0xF9, 4, packed});
        Le16(b, delay);
        b.insert(b.end(), {0, 0});
        return *this;
    }
    GifBytes& Image(int x, int y, int w, int h, bool localTable = false) {
        b.push_back(0x2C);
        Le16(b, x);
        Le16(b, y);
        Le16(b, w);
        Le16(b, h);
        b.push_back(localTable ? 0x81 : 0);  // 4-entry table
        if (localTable) b.insert(b.end(), 12, 7);
        b.insert(b.end(), {2, 3, 0x44, 0x01, 0x05, 2, 0x11, 0x22, 0});
        return *this;
    }
    GifBytes& Comment(const std::string& text) {
        b.insert(b.end(), {0x21, 0xFE, static_cast<uint8_t>(text.size())});
        b.insert(b.end(), text.begin(), text.end());
        b.push_back(0);
        return *this;
    }
    GifBytes& Application() {
        b.insert(b.end(), {0x21, 0xFF, 11});
        for (char c : std::string("NETSCAPE2.0")) b.push_back(static_cast<uint8_t>(c));
        b.insert(b.end(), {3, 1, 0, 0, 0});
        return *this;
    }
    GifBytes& PlainText() {
        b.insert(b.end(), {0x21, 0x01, 12});
        b.insert(b.end(), 12, 1);
        b.insert(b.end(), {2, 'h', 'i', 0});
        return *this;
    }
    GifBytes& Raw(std::initializer_list<uint8_t> bytes) {
        b.insert(b.end(), bytes);
        return *this;
    }
    Bytes Done() {
        b.push_back(0x3B);
        return b;
    }
};

int Count(const Bytes& b) { return CountGifFrames(b.data(), b.size()); }

TFrameRect Find(const Bytes& b, int n, int* code) {
    TFrameRect r = {-1, -1, -1, -1};
    FindGifFrame(b.data(), b.size(), GifFirstBlock(b.data(), b.size()), n, &r, code);
    return r;
}

void ExpectRect(const TFrameRect& r, int x, int y, int w, int h) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

TEST(GifFrames, CountsImagesButNotExtensionsAndRefusesOtherData) {
    Bytes three = GifBytes().Application().Control(4, 10).Image(0, 0, 10, 10).Comment("between")
                      .PlainText().Control(8, 5).Image(1, 2, 3, 4, true).Raw({0x21, 0x42, 1, 9, 0})
                      .Image(5, 5, 5, 5).Done();
    EXPECT_EQ(Count(three), 3);
    int code = -7;
    ExpectRect(Find(three, 1, &code), 1, 2, 3, 4);
    EXPECT_EQ(code, 2);
    // The unknown label 0x42 is skipped by its sub-blocks.
    ExpectRect(Find(three, 2, &code), 5, 5, 5, 5);

    EXPECT_EQ(Count(GifBytes("87a", false).Image(0, 0, 4, 4).Image(0, 0, 4, 4).Done()), 2);
    Bytes png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    EXPECT_EQ(Count(png), 0);
    EXPECT_EQ(GifFirstBlock(png.data(), png.size()), 0u);
    EXPECT_EQ(Count({}), 0);
}

TEST(GifFrames, FrameCodeIsTheLowTwoBitsOfTheDisposalMethod) {
    struct Case { uint8_t packed; int code; };
    for (Case c : {Case{0x00, 0}, Case{0x04, 1}, Case{0x08, 2}, Case{0x0C, 3}, Case{0x10, 0}, Case{0x1C, 3},
                   Case{0x19, 2}, Case{0x05, 1}}) {
        EXPECT_EQ(GifFrameCode(c.packed), c.code) << int(c.packed);
        int code = -1;
        Find(GifBytes().Control(c.packed, 1).Image(0, 0, 1, 1).Done(), 0, &code);
        EXPECT_EQ(code, c.code) << int(c.packed);
    }
}

TEST(GifFrames, MissingImageLeavesTheLastPlacementAndCode) {
    Bytes gif = GifBytes().Control(0x08, 1).Image(1, 1, 2, 2).Control(0x0C, 1).Image(3, 3, 4, 4).Done();
    int code = -1;
    ExpectRect(Find(gif, 5, &code), 3, 3, 4, 4);
    EXPECT_EQ(code, 3);
}

TEST(GifFrames, CanvasCoversEveryImage) {
    TFrameRect canvas = {0, 0, 0, 0};
    Bytes gif = GifBytes().Image(0, 0, 10, 10).Image(5, 5, 10, 10).Done();
    GetGifCanvasSize(gif.data(), gif.size(), &canvas);
    ExpectRect(canvas, 0, 0, 15, 15);
    // Empty and oversize images do not widen it; x and y are left alone.
    canvas = {7, 8, 1, 1};
    Bytes odd = GifBytes().Image(0, 0, 0, 50).Image(40000, 0, 10, 10).Image(2, 3, 4, 5).Done();
    GetGifCanvasSize(odd.data(), odd.size(), &canvas);
    ExpectRect(canvas, 7, 8, 6, 8);
}

TEST(GifFrames, DelayOfTheCutFrame) {
    struct Case { int hundredths; int ms; };
    for (Case c : {Case{0, 100}, Case{1, 100}, Case{2, 100}, Case{3, 30}, Case{10, 100}, Case{50, 500}}) {
        Bytes gif = GifBytes().Control(4, 77).Image(0, 0, 1, 1).Control(4, c.hundredths).Image(0, 0, 1, 1).Done();
        Bytes out(gif.size());
        size_t first = GifFirstBlock(gif.data(), gif.size());
        size_t length = first;
        int delay = -1;
        TFrameRect r = {};
        ASSERT_TRUE(CopyGifFrame(gif.data(), gif.size(), first, out.data(), out.size(), &length, 1, &r, &delay));
        EXPECT_EQ(delay, c.ms) << c.hundredths;
    }
}

TEST(GifFrames, CutFrameHoldsItsControlBlockImageAndTrailer) {
    GifBytes source;
    size_t header = source.b.size();
    source.Control(0x08, 40).Image(0, 0, 2, 2);
    size_t secondStart = source.b.size();
    source.Image(4, 5, 6, 7, true);
    size_t secondEnd = source.b.size();
    Bytes gif = source.Comment("after").Done();

    Bytes out(gif.size(), 0xEE);
    memcpy(out.data(), gif.data(), header);
    size_t length = header;
    int delay = 123;
    TFrameRect r = {};
    ASSERT_TRUE(CopyGifFrame(gif.data(), gif.size(), header, out.data(), out.size(), &length, 1, &r, &delay));
    // Image 1 has no control block of its own: none copied, delay kept.
    Bytes expected(gif.begin(), gif.begin() + header);
    expected.insert(expected.end(), gif.begin() + secondStart, gif.begin() + secondEnd);
    expected.push_back(0x3B);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + length), expected);
    EXPECT_EQ(delay, 123);
    ExpectRect(r, 4, 5, 6, 7);

    // Image 0 with its control block.
    length = header;
    ASSERT_TRUE(CopyGifFrame(gif.data(), gif.size(), header, out.data(), out.size(), &length, 0, &r, &delay));
    EXPECT_EQ(length, secondStart + 1);
    EXPECT_EQ(delay, 400);
    // Past the last image only the trailer is appended.
    length = header;
    ASSERT_TRUE(CopyGifFrame(gif.data(), gif.size(), header, out.data(), out.size(), &length, 9, &r, &delay));
    EXPECT_EQ(length, header + 1);
    // No room for the trailer: refused, length unchanged.
    length = out.size();
    EXPECT_FALSE(CopyGifFrame(gif.data(), gif.size(), header, out.data(), out.size(), &length, 9, &r, &delay));
    EXPECT_EQ(length, out.size());
}

// Every prefix of a file, read from memory that ends where the prefix ends:
// no read beyond it, and only the images wholly inside it count.
TEST(GifFrames, TruncatedFilesEndCleanly) {
    GifBytes source;
    std::vector<size_t> imageEnds;
    source.Application().Control(4, 10).Image(0, 0, 10, 10);
    imageEnds.push_back(source.b.size());
    source.Comment("x").Control(8, 10).Image(2, 2, 3, 3, true);
    imageEnds.push_back(source.b.size());
    source.PlainText().Image(1, 1, 1, 1);
    imageEnds.push_back(source.b.size());
    Bytes gif = source.Done();
    for (size_t cut = 0; cut <= gif.size(); ++cut) {
        GuardedBytes bytes(Bytes(gif.begin(), gif.begin() + cut));
        const uint8_t* d = bytes.data();
        int expected = 0;
        for (size_t end : imageEnds) expected += end <= cut;
        EXPECT_EQ(CountGifFrames(d, cut), expected) << cut;
        size_t first = GifFirstBlock(d, cut);
        if (!first) continue;
        TFrameRect r = {};
        int code = 0, delay = 0;
        FindGifFrame(d, cut, first, 2, &r, &code);
        GetGifCanvasSize(d, cut, &r);
        Bytes out(cut + 1);
        size_t length = 0;
        EXPECT_TRUE(CopyGifFrame(d, cut, first, out.data(), out.size(), &length, 2, &r, &delay));
    }
}

TEST(GifFrames, LyingLengthsEndTheWalk) {
    struct Case { const char* name; Bytes tail; };
    std::vector<Case> cases = {
        {"sub-block longer than the file", {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 0xFF, 1, 2}},
        {"local table past the end", {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87, 1, 2, 3}},
        {"control block cut short", {0x21, 0xF9, 4, 4}},
        {"application header cut short", {0x21, 0xFF, 11, 'N', 'E'}},
        {"no zero length byte", {0x21, 0xFE, 2, 'a', 'b', 3, 'c'}},
    };
    for (const Case& c : cases) {
        Bytes gif = GifBytes().Image(0, 0, 1, 1).b;
        gif.insert(gif.end(), c.tail.begin(), c.tail.end());
        GuardedBytes bytes(gif);
        EXPECT_EQ(CountGifFrames(bytes.data(), bytes.size()), 1) << c.name;
    }
    // A global colour table larger than the file.
    Bytes header = GifBytes("89a", false).b;
    header[10] = 0x87;
    GuardedBytes bytes(header);
    EXPECT_EQ(GifFirstBlock(bytes.data(), bytes.size()), 0u);
    EXPECT_EQ(CountGifFrames(bytes.data(), bytes.size()), 0);
}

}  // namespace
