#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "preview/frame_loading.h"
#include "preview/preview_state.h"
#include "support/test_files.h"
#include "support/test_pictures.h"

namespace {

struct Expected {
    int index;
    TFrameRect rect;
    int code;
    int delay;
    int alpha;
    Pixel colour;  // at (0, 0) of the frame, premultiplied when alpha is 1
};

class FrameLoadingTest : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        FreeAnimationFile();
        animFrameIndex = 0;
        animDisposal = 1;
        animDelayMs = 0;
        previewAlpha = 0;
    }

    // Loads frame `index` of the file; the bitmap's size must be the
    // placement's.
    HBITMAP Load(const std::wstring& path, int index, TFrameRect* rect) {
        animFrameIndex = index;
        *rect = {-1, -1, -1, -1};
        return LoadAnimationFrame(path.c_str(), rect);
    }

    void ExpectFrames(const std::wstring& path, const std::vector<Expected>& frames) {
        for (const Expected& e : frames) {
            TFrameRect r;
            HBITMAP frame = Load(path, e.index, &r);
            ASSERT_NE(frame, nullptr) << e.index;
            SIZE size = BitmapSize(frame);
            EXPECT_EQ(size.cx, e.rect.width) << e.index;
            EXPECT_EQ(size.cy, e.rect.height) << e.index;
            EXPECT_EQ(r.x, e.rect.x) << e.index;
            EXPECT_EQ(r.y, e.rect.y) << e.index;
            EXPECT_EQ(r.width, e.rect.width) << e.index;
            EXPECT_EQ(r.height, e.rect.height) << e.index;
            EXPECT_EQ(animDisposal, e.code) << e.index;
            EXPECT_EQ(animDelayMs, e.delay) << e.index;
            EXPECT_EQ(previewAlpha, e.alpha) << e.index;
            EXPECT_TRUE(NearColour(PixelAt(frame, 0, 0), e.colour, 0))
                << e.index << ": " << ColourText(PixelAt(frame, 0, 0));
            DeleteObject(frame);
        }
    }
};

const Pixel kRed = MakePixel(255, 0, 0), kBlue = MakePixel(0, 0, 255), kLime = MakePixel(0, 255, 0),
            kYellow = MakePixel(255, 255, 0);

TEST_F(FrameLoadingTest, GifFramesInTurnAndAgainFromTheFirst) {
    ExpectFrames(FrameFixture(L"anim.gif"), {
        {0, {0, 0, 20, 20}, 1, 100, 1, kRed},
        {1, {2, 3, 8, 8}, 2, 30, 1, kBlue},
        {2, {10, 10, 8, 8}, 3, 100, 1, kLime},  // delay 0 shows for 100 ms
        {3, {4, 4, 6, 6}, 1, 500, 1, kYellow},
        {4, {0, 0, 20, 20}, 1, 100, 1, kRed},
    });
    EXPECT_EQ(animFrameIndex, 0);
    // The transparent rows of frame 3 stay transparent.
    TFrameRect r;
    HBITMAP frame = Load(FrameFixture(L"anim.gif"), 3, &r);
    EXPECT_EQ(PixelAlpha(PixelAt(frame, 1, 2)), 0);
    DeleteObject(frame);
}

// An index past the count, as another file could leave it, starts over.
TEST_F(FrameLoadingTest, IndexPastTheCountStartsAgain) {
    for (const wchar_t* name : {L"anim.gif", L"apng_ops.png", L"anim.webp", L"mixed_entries.ico"}) {
        FreeAnimationFile();
        TFrameRect r;
        HBITMAP frame = Load(FrameFixture(name), 9, &r);
        EXPECT_NE(frame, nullptr) << ToUtf8(name);
        EXPECT_EQ(animFrameIndex, 0) << ToUtf8(name);
        if (frame) DeleteObject(frame);
    }
}

TEST_F(FrameLoadingTest, OneImageGifAndPlainPngGiveNoFrame) {
    TFrameRect r;
    EXPECT_EQ(Load(FrameFixture(L"still.gif"), 0, &r), nullptr);
    FreeAnimationFile();
    EXPECT_EQ(Load(FrameFixture(L"entry_png.png"), 0, &r), nullptr);
    FreeAnimationFile();
    EXPECT_EQ(Load(MediaFixture(L"halves.jpg"), 0, &r), nullptr);
    EXPECT_EQ(Load(L"C:\\no such folder\\x.gif", 0, &r), nullptr);
}

TEST_F(FrameLoadingTest, ApngFramesWithTheirCodes) {
    ExpectFrames(FrameFixture(L"apng_ops.png"), {
        {0, {0, 0, 20, 20}, -1, 100, 1, kRed},
        {1, {2, 3, 8, 8}, 2, 333, 1, kBlue},
        {2, {10, 10, 8, 8}, 11, 0, 1, kLime},
        {3, {4, 4, 6, 6}, 9, 100, 1, kYellow},
        {4, {0, 0, 20, 20}, -1, 100, 1, kRed},
    });
    FreeAnimationFile();
    ExpectFrames(FrameFixture(L"apng_hidden.png"), {
        {0, {0, 0, 12, 10}, 1, 10, 1, kBlue},
        {1, {8, 6, 4, 4}, 3, 250, 1, kLime},
    });
}

TEST_F(FrameLoadingTest, WebpStillAndAnimatedFrames) {
    ExpectFrames(FrameFixture(L"still.webp"), {{0, {0, 0, 12, 16}, 0, 100, 0, kRed}});
    FreeAnimationFile();
    ExpectFrames(FrameFixture(L"anim.webp"), {
        {0, {0, 0, 20, 20}, 8, 100, 0, kRed},
        {1, {2, 4, 8, 8}, 11, 40, 0, kBlue},
        {2, {10, 10, 8, 8}, 8, 100, 1, kLime},
        {3, {4, 4, 6, 6}, 11, 70, 1, kYellow},
        {4, {0, 0, 20, 20}, 8, 100, 0, kRed},
    });
    EXPECT_EQ(animFrameIndex, 0);
}

TEST_F(FrameLoadingTest, IconEntriesBitmapAndPng) {
    TempFolder folder;
    std::wstring icon = folder / L"copy.icon";
    ASSERT_TRUE(WriteBytes(icon, ReadBytes(FrameFixture(L"mixed_entries.ico"))));
    for (const std::wstring& path : {FrameFixture(L"mixed_entries.ico"), icon}) {
        struct Case { int index; int side; Pixel colour; int after; };
        for (Case c : {Case{0, 16, kRed, 0}, Case{1, 24, kLime, 1}, Case{2, 32, kBlue, 2}, Case{3, 16, kRed, 0}}) {
            TFrameRect r;
            HBITMAP entry = Load(path, c.index, &r);
            ASSERT_NE(entry, nullptr) << c.index;
            EXPECT_EQ(BitmapSize(entry).cx, c.side) << c.index;
            EXPECT_EQ(BitmapSize(entry).cy, c.side) << c.index;
            EXPECT_TRUE(NearColour(PixelAt(entry, c.side / 2, c.side / 2), c.colour, 0)) << c.index;
            EXPECT_EQ(previewAlpha, 1);
            EXPECT_EQ(animFrameIndex, c.after);
            DeleteObject(entry);
        }
    }
}

// A frame placed beyond 32,767 pixels could only be drawn on a canvas that
// GDI cannot make.
TEST_F(FrameLoadingTest, FramesBeyondTheLargestCanvasGiveNone) {
    std::vector<unsigned char> gif = ReadBytes(FrameFixture(L"anim.gif"));
    const unsigned char descriptor[] = {0x2C, 2, 0, 3, 0, 8, 0, 8, 0};  // frame 1 at (2, 3), 8 x 8
    auto at = std::search(gif.begin(), gif.end(), std::begin(descriptor), std::end(descriptor));
    ASSERT_NE(at, gif.end());
    at[2] = 0x9C;  // left 0x9C02: 39938
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder / L"far.gif", gif));
    TFrameRect r;
    EXPECT_EQ(Load(folder / L"far.gif", 1, &r), nullptr);
    EXPECT_EQ(r.x, 39938);
    HBITMAP first = Load(folder / L"far.gif", 0, &r);
    EXPECT_NE(first, nullptr);
    if (first) DeleteObject(first);
}

// Files cut short at many lengths: every frame index loads or gives none,
// and nothing is read past the end.
TEST_F(FrameLoadingTest, TruncatedFilesGiveTheFramesTheyHold) {
    TempFolder folder;
    for (const wchar_t* name : {L"anim.gif", L"apng_ops.png", L"anim.webp", L"mixed_entries.ico"}) {
        std::vector<unsigned char> whole = ReadBytes(FrameFixture(name));
        ASSERT_FALSE(whole.empty());
        std::wstring path = folder / (std::wstring(L"cut_") + name);
        for (size_t cut = 0; cut < whole.size(); cut += 1 + whole.size() / 40) {
            ASSERT_TRUE(WriteBytes(path, std::vector<unsigned char>(whole.begin(), whole.begin() + cut)));
            for (int index = 0; index < 5; ++index) {
                FreeAnimationFile();
                TFrameRect r;
                HBITMAP frame = Load(path, index, &r);
                if (frame) DeleteObject(frame);
            }
        }
        // The whole file still loads frame 1 after all that.
        ASSERT_TRUE(WriteBytes(path, whole));
        FreeAnimationFile();
        TFrameRect r;
        HBITMAP frame = Load(path, 1, &r);
        EXPECT_NE(frame, nullptr) << name;
        if (frame) DeleteObject(frame);
    }
}

}  // namespace
