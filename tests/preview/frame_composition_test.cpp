#include <gtest/gtest.h>

#include "preview/frame_composition.h"
#include "preview/preview_state.h"
#include "shell/main_state.h"
#include "support/test_pictures.h"

namespace {

const Pixel kGreen = MakePixel(0, 128, 0), kBlue = MakePixel(0, 0, 255), kRed = MakePixel(255, 0, 0);
const Pixel kDarkGrey = MakePixel(64, 64, 64);

bool Deleted(HBITMAP bitmap) {
    BITMAP info;
    return GetObjectW(bitmap, sizeof info, &info) == 0;
}

Pixel Colour(HBITMAP bitmap, int x, int y) { return PixelAt(bitmap, x, y) | 0xFF000000u; }

class FrameCompositionTest : public testing::Test {
protected:
    void SetUp() override {
        savedDark_ = darkMode;
        darkMode = 1;
        webpPrevDisposal = 0;
        webpPrevRect = {0, 0, 0, 0};
    }
    void TearDown() override { darkMode = savedDark_; }
    int savedDark_ = 0;
};

TEST_F(FrameCompositionTest, GifCanvasGrowsToHoldTheFrame) {
    for (int index : {0, 1}) {
        HBITMAP canvas = MakeSolidBitmap(10, 10, kGreen);
        HBITMAP frame = MakeSolidBitmap(10, 10, kBlue);
        BITMAP size = {};
        size.bmWidth = 10;
        size.bmHeight = 10;
        HBITMAP result = ComposeGifFrame(canvas, frame, {5, 5, 10, 10}, &size, index);
        EXPECT_TRUE(Deleted(canvas));
        EXPECT_EQ(BitmapSize(result).cx, 15);
        EXPECT_EQ(BitmapSize(result).cy, 15);
        EXPECT_EQ(size.bmWidth, 15);
        EXPECT_EQ(size.bmHeight, 15);
        EXPECT_EQ(Colour(result, 7, 7), kBlue);
        EXPECT_EQ(Colour(result, 14, 14), kBlue);
        EXPECT_EQ(PixelAt(result, 2, 2), index == 0 ? kDarkGrey : kGreen) << index;
        if (index == 0) EXPECT_EQ(Colour(result, 12, 2), kDarkGrey);
        DeleteObject(frame);
        DeleteObject(result);
    }
}

TEST_F(FrameCompositionTest, GifDisposalByCode) {
    HBITMAP current = MakeSolidBitmap(10, 10, kBlue);
    HBITMAP previous = MakeSolidBitmap(10, 10, kGreen);
    struct Case { int code; Pixel inside; };
    for (Case c : {Case{0, kBlue}, Case{1, kBlue}, Case{2, kDarkGrey}, Case{10, kDarkGrey}, Case{-2, kDarkGrey},
                   Case{3, kGreen}, Case{11, kGreen}, Case{9, kBlue}}) {
        HBITMAP next = DisposeGifFrame(current, previous, c.code, {2, 2, 3, 3});
        ASSERT_NE(next, nullptr);
        EXPECT_NE(next, current);
        EXPECT_EQ(PixelAt(next, 3, 3), c.inside) << c.code;  // a cleared area is opaque
        EXPECT_EQ(Colour(next, 8, 8), c.code % 8 == 3 ? kGreen : kBlue) << c.code;
        DeleteObject(next);
    }
    EXPECT_FALSE(Deleted(current));
    EXPECT_FALSE(Deleted(previous));
    darkMode = 0;
    HBITMAP next = DisposeGifFrame(current, previous, 2, {2, 2, 3, 3});
    EXPECT_EQ(PixelColour(PixelAt(next, 3, 3)), GetSysColor(COLOR_BTNFACE));
    DeleteObject(next);
    DeleteObject(current);
    DeleteObject(previous);
}

TEST_F(FrameCompositionTest, ApngDisposalByCode) {
    HBITMAP previous = MakeSolidBitmap(10, 10, kGreen);
    struct Case { int code; Pixel inside; bool replaced; };
    for (Case c : {Case{1, kBlue, false}, Case{8, kBlue, false}, Case{9, kBlue, false}, Case{2, 0, false},
                   Case{10, 0, false}, Case{-2, 0, false}, Case{3, kGreen, true}, Case{11, kGreen, true},
                   Case{-3, kGreen, true}}) {
        HBITMAP canvas = MakeSolidBitmap(10, 10, kBlue);
        HBITMAP next = DisposeApngFrame(canvas, previous, c.code, {2, 2, 3, 3});
        EXPECT_EQ(next != canvas, c.replaced) << c.code;
        EXPECT_EQ(Deleted(canvas), c.replaced) << c.code;
        // Cleared means transparent black: every byte 0.
        EXPECT_EQ(PixelAt(next, 3, 3), c.inside) << c.code;
        EXPECT_EQ(Colour(next, 8, 8), c.replaced ? kGreen : kBlue) << c.code;
        DeleteObject(next);
    }
    DeleteObject(previous);
}

TEST_F(FrameCompositionTest, WebpClearsForNoBlendingAndForThePreviousDisposal) {
    HBITMAP canvas = MakeSolidBitmap(10, 10, kGreen);
    // A frame whose left column is transparent.
    HBITMAP frame = MakeBitmapFromPixels(2, 1, {MakePixel(0, 0, 0, 0), kRed});
    BITMAP size = {};
    size.bmWidth = 10;
    size.bmHeight = 10;
    HBITMAP first = ComposeWebpFrame(frame, canvas, size, {4, 4, 2, 1}, 11, 1, 1);
    EXPECT_EQ(PixelAt(first, 4, 4), kDarkGrey);  // cleared opaque, then nothing drawn there
    EXPECT_EQ(Colour(first, 5, 4), kRed);
    EXPECT_EQ(Colour(first, 0, 0), kGreen);
    EXPECT_EQ(Colour(canvas, 4, 4), kGreen);  // the canvas itself is unchanged
    EXPECT_EQ(webpPrevDisposal, 3);
    // Blended, code 0: the frame's own area keeps the canvas under its
    // transparent pixel, and the previous frame's area is cleared.
    HBITMAP second = ComposeWebpFrame(frame, canvas, size, {0, 0, 2, 1}, 0, 1, 2);
    EXPECT_EQ(Colour(second, 0, 0), kGreen);
    EXPECT_EQ(Colour(second, 1, 0), kRed);
    EXPECT_EQ(Colour(second, 4, 4), kDarkGrey);
    EXPECT_EQ(Colour(second, 5, 4), kDarkGrey);
    EXPECT_EQ(webpPrevDisposal, 0);
    // Frame index 0 clears the whole canvas; without the alpha flag the
    // frame is copied in, transparent pixel and all.
    HBITMAP third = ComposeWebpFrame(frame, canvas, size, {6, 6, 2, 1}, 8, 0, 0);
    EXPECT_EQ(PixelAt(third, 0, 0), kDarkGrey);
    EXPECT_EQ(PixelAt(third, 6, 6), MakePixel(0, 0, 0, 0));
    for (HBITMAP b : {canvas, frame, first, second, third}) DeleteObject(b);
}

TEST_F(FrameCompositionTest, PadPutsTheBitmapOnTheBackground) {
    HBITMAP same = MakeSolidBitmap(30, 40, kBlue);
    HBITMAP copy = PadBitmapOnBackground(nullptr, same, {0, 0, 30, 40});
    EXPECT_TRUE(Deleted(same));
    EXPECT_EQ(BitmapSize(copy).cx, 30);
    EXPECT_EQ(Colour(copy, 29, 39), kBlue);
    DeleteObject(copy);

    HBITMAP bitmap = MakeSolidBitmap(30, 40, kBlue);
    HBITMAP padded = PadBitmapOnBackground(nullptr, bitmap, {10, 20, 30, 40});
    EXPECT_TRUE(Deleted(bitmap));
    EXPECT_EQ(BitmapSize(padded).cx, 40);
    EXPECT_EQ(BitmapSize(padded).cy, 60);
    // Opaque: the padded picture is drawn blended.
    EXPECT_EQ(PixelAt(padded, 9, 59), kDarkGrey);
    EXPECT_EQ(PixelAt(padded, 39, 19), kDarkGrey);
    EXPECT_EQ(Colour(padded, 10, 20), kBlue);
    EXPECT_EQ(Colour(padded, 39, 59), kBlue);
    // Sizes no bitmap can have leave the input as it is.
    for (TFrameRect bad : {TFrameRect{0, 0, 0, 5}, TFrameRect{-1, 0, 5, 5}, TFrameRect{32760, 0, 10, 5}}) {
        EXPECT_EQ(PadBitmapOnBackground(nullptr, padded, bad), padded);
        EXPECT_FALSE(Deleted(padded));
    }
    DeleteObject(padded);
}

}  // namespace
