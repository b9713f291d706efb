#include <gtest/gtest.h>

#include <zlib.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "preview/apng_frames.h"
#include "support/guarded_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Be32(Bytes& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
}
void Be16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
uint32_t ReadBe32(const Bytes& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// PNG chunks written by hand, CRCs from zlib. Image data is a token: these
// readers never inflate it.
struct PngBytes {
    Bytes b = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    PngBytes(uint32_t w = 20, uint32_t h = 10) {
        Bytes ihdr;
        Be32(ihdr, w);
        Be32(ihdr, h);
        ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
        Chunk("IHDR", ihdr);
    }
    PngBytes& Chunk(const char* type, const Bytes& body) {
        Be32(b, static_cast<uint32_t>(body.size()));
        size_t start = b.size();
        b.insert(b.end(), type, type + 4);
        b.insert(b.end(), body.begin(), body.end());
        Be32(b, static_cast<uint32_t>(crc32(0, b.data() + start, static_cast<uInt>(b.size() - start))));
        return *this;
    }
    PngBytes& AcTL(uint32_t frames) {
        Bytes body;
        Be32(body, frames);
        Be32(body, 0);
        return Chunk("acTL", body);
    }
    PngBytes& FcTL(uint32_t w, uint32_t h, uint32_t x, uint32_t y, uint16_t num, uint16_t den, uint8_t dispose,
                   uint8_t blend) {
        Bytes body;
        Be32(body, 0);
        Be32(body, w);
        Be32(body, h);
        Be32(body, x);
        Be32(body, y);
        Be16(body, num);
        Be16(body, den);
        body.push_back(dispose);
        body.push_back(blend);
        return Chunk("fcTL", body);
    }
    PngBytes& Idat(uint8_t token) { return Chunk("IDAT", {token, token, token}); }
    PngBytes& FdAT(uint8_t token) { return Chunk("fdAT", {0, 0, 0, 9, token, token}); }
    Bytes Done() {
        Chunk("IEND", {});
        return b;
    }
};

struct FrameInfo {
    int count;
    int n;
    int delay = -5;
    TFrameRect rect = {-5, -5, -5, -5};
    int code = -55;
    int animated = 0;
};

FrameInfo Read(const Bytes& png, int n) {
    FrameInfo info{0, n};
    info.count = ReadApngFrameInfo(&info.n, png.data(), png.size(), &info.delay, &info.rect, &info.code,
                                   &info.animated);
    return info;
}

Bytes Rebuild(const Bytes& png, int n, int code) {
    Bytes out(png.size());
    size_t length = BuildApngFramePng(png.data(), png.size(), out.data(), out.size(), n, code);
    out.resize(length);
    return out;
}

// Types of the chunks of a PNG, in order, each checked for its CRC.
std::vector<std::string> ChunkTypes(const Bytes& png) {
    std::vector<std::string> types;
    for (size_t p = 8; p + 12 <= png.size();) {
        uint32_t length = ReadBe32(png, p);
        types.emplace_back(png.begin() + p + 4, png.begin() + p + 8);
        uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + p + 4, length + 4));
        EXPECT_EQ(ReadBe32(png, p + 8 + length), crc) << types.back();
        p += 12 + length;
    }
    return types;
}

// Default image first: frame 0 from IDAT, frame 1 from fdAT.
Bytes DefaultImageFirst() {
    return PngBytes().AcTL(2).FcTL(20, 10, 0, 0, 1, 10, 2, 1).Idat(1).Idat(2).Chunk("tEXt", {'a', 0, 'b'})
        .FcTL(5, 4, 3, 2, 1, 3, 2, 0).FdAT(3).Done();
}

TEST(ApngFrames, PlainPngIsOneWholeFrameWithoutCount) {
    Bytes png = PngBytes(7, 9).Idat(1).Done();
    FrameInfo info = Read(png, 0);
    EXPECT_EQ(info.count, 0);
    EXPECT_EQ(info.animated, 0);
    EXPECT_EQ(info.delay, 0);
    EXPECT_EQ(info.code, -1);
    EXPECT_EQ(info.rect.width, 7);
    EXPECT_EQ(info.rect.height, 9);
    EXPECT_EQ(Rebuild(png, 0, -1).size(), 0u);

    Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    gif.resize(64);
    FrameInfo none = Read(gif, 0);
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.code, -55);
}

TEST(ApngFrames, DefaultImageIsFrameZeroWithNegativeCode) {
    Bytes png = DefaultImageFirst();
    FrameInfo first = Read(png, 0);
    EXPECT_EQ(first.count, 2);
    EXPECT_EQ(first.animated, 1);
    EXPECT_EQ(first.code, -10);  // dispose_op 2 on frame 0 counts as 1; blended
    EXPECT_EQ(first.delay, 100);
    FrameInfo second = Read(png, 1);
    EXPECT_EQ(second.code, 3);
    EXPECT_EQ(second.delay, 333);
    EXPECT_EQ(second.rect.x, 3);
    EXPECT_EQ(second.rect.y, 2);
    EXPECT_EQ(second.rect.width, 5);
    EXPECT_EQ(second.rect.height, 4);
    // N at the count wraps to 0 before any fcTL is read.
    FrameInfo wrapped = Read(png, 2);
    EXPECT_EQ(wrapped.n, 0);
    EXPECT_EQ(wrapped.code, -10);

    Bytes zero = Rebuild(png, 0, first.code);
    EXPECT_EQ(ChunkTypes(zero), (std::vector<std::string>{"IHDR", "IDAT", "IDAT", "IEND"}));
    Bytes one = Rebuild(png, 1, second.code);
    EXPECT_EQ(ChunkTypes(one), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    // The IHDR carries the frame's size; the IDAT is the fdAT's data.
    EXPECT_EQ(ReadBe32(one, 16), 5u);
    EXPECT_EQ(ReadBe32(one, 20), 4u);
    EXPECT_EQ(memcmp(one.data() + 24, png.data() + 24, 5), 0);
    EXPECT_EQ(ReadBe32(one, 33), 2u);
    EXPECT_EQ(one[41], 3);
}

TEST(ApngFrames, HiddenDefaultImageIsNeverCopied) {
    Bytes png = PngBytes().AcTL(2).Idat(9).Chunk("PLTE", {1, 2, 3}).FcTL(20, 10, 0, 0, 0, 7, 0, 0).FdAT(4)
                    .FcTL(2, 2, 0, 0, 1, 0, 1, 1).FdAT(5).Done();
    FrameInfo first = Read(png, 0);
    EXPECT_EQ(first.code, 1);
    EXPECT_EQ(first.delay, 0);
    EXPECT_EQ(Read(png, 1).code, 10);
    EXPECT_EQ(Read(png, 1).delay, 10);
    Bytes zero = Rebuild(png, 0, first.code);
    EXPECT_EQ(ChunkTypes(zero), (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
    EXPECT_EQ(zero[zero.size() - 12 - 12 + 8 - 2], 4);  // the fdAT's token, not the IDAT's 9
}

TEST(ApngFrames, DelaysAndFrameCodes) {
    struct Case { uint16_t num, den; uint8_t dispose, blend; int delay, code0, code1; };
    for (Case c : {Case{0, 0, 0, 0, 0, -1, 1}, Case{0, 50, 1, 1, 0, -10, 10}, Case{1, 0, 2, 0, 10, -2, 3},
                   Case{1, 3, 2, 1, 333, -10, 11}, Case{100, 1000, 0, 1, 100, -9, 9},
                   Case{65535, 1, 0, 0, 65535000, -1, 1}}) {
        Bytes png = PngBytes().AcTL(2).FcTL(20, 10, 0, 0, c.num, c.den, c.dispose, c.blend).Idat(1)
                        .FcTL(20, 10, 0, 0, c.num, c.den, c.dispose, c.blend).FdAT(2).Done();
        FrameInfo zero = Read(png, 0), one = Read(png, 1);
        EXPECT_EQ(zero.delay, c.delay) << c.num << "/" << c.den;
        EXPECT_EQ(zero.code, c.code0) << int(c.dispose) << int(c.blend);
        EXPECT_EQ(one.code, c.code1) << int(c.dispose) << int(c.blend);
    }
}

TEST(ApngFrames, FrameCountIsNoMoreThanTheFramesPresent) {
    Bytes png = PngBytes().AcTL(1000000).FcTL(20, 10, 0, 0, 1, 10, 0, 0).Idat(1).FcTL(2, 2, 0, 0, 1, 10, 0, 0)
                    .FdAT(2).Done();
    FrameInfo info = Read(png, 2);
    EXPECT_EQ(info.count, 2);
    EXPECT_EQ(info.n, 0);
}

// A frame never reaches outside the canvas of the IHDR.
TEST(ApngFrames, FramesOutsideTheCanvasAreNotRebuilt) {
    struct Case { uint32_t w, h, x, y; bool built; };
    for (Case c : {Case{20, 10, 0, 0, true}, Case{1, 1, 19, 9, true}, Case{21, 10, 0, 0, false},
                   Case{2, 2, 19, 0, false}, Case{2, 2, 0, 9, false}, Case{0, 5, 0, 0, false},
                   Case{5, 0, 0, 0, false}, Case{1, 1, 0xFFFFFFFF, 0, false}, Case{0xFFFFFFF0, 1, 20, 0, false}}) {
        Bytes png = PngBytes(20, 10).AcTL(2).FcTL(20, 10, 0, 0, 1, 1, 0, 0).Idat(1)
                        .FcTL(c.w, c.h, c.x, c.y, 1, 1, 0, 0).FdAT(2).Done();
        EXPECT_EQ(!Rebuild(png, 1, 1).empty(), c.built) << c.w << "x" << c.h << "+" << c.x << "+" << c.y;
    }
    // A canvas of no pixels holds no frame.
    Bytes empty = PngBytes(0, 0).AcTL(1).FcTL(1, 1, 0, 0, 1, 1, 0, 0).Idat(1).Done();
    EXPECT_TRUE(Rebuild(empty, 0, -1).empty());
}

TEST(ApngFrames, TruncatedFilesEndCleanly) {
    Bytes png = DefaultImageFirst();
    for (size_t cut = 0; cut <= png.size(); ++cut) {
        GuardedBytes bytes(Bytes(png.begin(), png.begin() + cut));
        int n = 1, delay = 0, code = 0, animated = 0;
        TFrameRect r = {};
        ReadApngFrameInfo(&n, bytes.data(), cut, &delay, &r, &code, &animated);
        Bytes out(cut);
        size_t length = BuildApngFramePng(bytes.data(), cut, out.data(), out.size(), 1, 3);
        EXPECT_LE(length, cut);
    }
}

TEST(ApngFrames, LyingChunkLengthsEndTheWalk) {
    for (uint32_t lie : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 100u}) {
        Bytes png = PngBytes().AcTL(2).FcTL(20, 10, 0, 0, 1, 10, 0, 0).Idat(1).b;
        size_t at = png.size();
        PngBytes tail;
        tail.b.clear();
        tail.FcTL(2, 2, 0, 0, 1, 10, 0, 0).FdAT(2).Chunk("IEND", {});
        png.insert(png.end(), tail.b.begin(), tail.b.end());
        png[at] = static_cast<uint8_t>(lie >> 24);
        png[at + 1] = static_cast<uint8_t>(lie >> 16);
        png[at + 2] = static_cast<uint8_t>(lie >> 8);
        png[at + 3] = static_cast<uint8_t>(lie);
        GuardedBytes bytes(png);
        FrameInfo info{0, 1};
        info.count = ReadApngFrameInfo(&info.n, bytes.data(), bytes.size(), &info.delay, &info.rect, &info.code,
                                       &info.animated);
        EXPECT_EQ(info.count, 1) << lie;  // the second fcTL is out of reach
        Bytes out(png.size());
        EXPECT_EQ(BuildApngFramePng(bytes.data(), bytes.size(), out.data(), out.size(), 1, 1), 0u) << lie;
    }
    // Short acTL and fcTL bodies end the walk instead of being read past.
    GuardedBytes shortAcTL(PngBytes().Chunk("acTL", {0, 0}).Done());
    int n = 0, delay = 0, code = 0, animated = 0;
    TFrameRect r = {};
    EXPECT_EQ(ReadApngFrameInfo(&n, shortAcTL.data(), shortAcTL.size(), &delay, &r, &code, &animated), 0);
    GuardedBytes shortFcTL(PngBytes().AcTL(1).Chunk("fcTL", {0, 0, 0, 0, 0, 0, 0, 1}).Done());
    EXPECT_EQ(ReadApngFrameInfo(&n, shortFcTL.data(), shortFcTL.size(), &delay, &r, &code, &animated), 0);
}

TEST(ApngFrames, CrcMatchesZlib) {
    const char text[] = "IHDR and anything after";
    EXPECT_EQ(PngCrc32(reinterpret_cast<const uint8_t*>(text), sizeof text - 1),
              static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(text), sizeof text - 1)));
}

}  // namespace

namespace {

// A file of nothing but small acTL and fcTL chunks: the frames are counted
// once per call, not again for every acTL. Before, 2 MB of them took more
// than 20 s a call; the bound only catches that.
TEST(ApngFrames, ManySmallChunksAreCountedOnce) {
    PngBytes png;
    const int pairs = 110000;  // about 6 MB
    for (int i = 0; i < pairs; ++i) png.AcTL(pairs + 5).FcTL(4, 4, 0, 0, 1, 10, 0, 0);
    Bytes bytes = png.Idat(1).Done();
    auto start = std::chrono::steady_clock::now();
    FrameInfo info = Read(bytes, pairs - 1);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(15)) << "the frames are counted again for every acTL chunk";
    // The announced count is more than the frames present.
    EXPECT_EQ(info.count, pairs);
    EXPECT_EQ(info.n, pairs - 1);
    EXPECT_EQ(info.delay, 100);
    // The last acTL announcing the frames present wraps an index at the count.
    info = Read(bytes, pairs);
    EXPECT_EQ(info.n, 0);
}

}  // namespace
