// Fitting a picture into the preview's client area, and the two fitted
// paints over the theme background, read back pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "preview/preview_painting.h"
#include "shell/main_state.h"
#include "support/preview_window.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"
#include "thumbnails/tiles.h"

namespace {

struct FitCase {
    int w, h, cw, ch;
    bool ok;
    TPreviewFit fit;
};

TEST(PreviewFit, ScalesByTheSmallerRatioAndCentres) {
    const FitCase cases[] = {
        {100, 50, 400, 300, true, {0, 50, 400, 200}},   // enlarged: ratios 4 and 6
        {800, 800, 401, 200, true, {100, 0, 200, 200}},  // odd free pixel on the right
        {640, 480, 320, 240, true, {0, 0, 320, 240}},    // same proportions fill the area
        {640, 360, 320, 240, true, {0, 30, 320, 180}},
        {100, 100, 320, 240, true, {40, 0, 240, 240}},
        {3, 1, 10, 10, true, {0, 3, 10, 3}},             // 3.333... truncated
        {1, 1, 32767, 1, true, {16383, 0, 1, 1}},
        {100, 100, 0, 240, false, {}},                   // minimised
        {100, 100, 320, 0, false, {}},
        {100, 100, 32768, 240, false, {}},               // larger than a bitmap may be
        {0, 100, 320, 240, false, {}},
        {100, -5, 320, 240, false, {}},
    };
    for (const FitCase& c : cases) {
        TPreviewFit fit = {-1, -1, -1, -1};
        bool ok = FitPreviewPicture(c.w, c.h, c.cw, c.ch, &fit);
        EXPECT_EQ(ok, c.ok) << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch;
        if (!ok || !c.ok) continue;
        EXPECT_EQ(fit.x, c.fit.x) << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch;
        EXPECT_EQ(fit.y, c.fit.y) << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch;
        EXPECT_EQ(fit.width, c.fit.width) << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch;
        EXPECT_EQ(fit.height, c.fit.height) << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch;
    }
}

// Bitmaps painted with BitBlt carry alpha 0; only the colour counts.
bool Looks(Pixel actual, Pixel expected, int tolerance) {
    return NearColour(actual | 0xff000000u, expected, tolerance);
}

// w x h pixels: the left half `left`, the right half `right`.
HBITMAP MakeHalves(int w, int h, Pixel left, Pixel right) {
    std::vector<Pixel> pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) pixels.push_back(x < w / 2 ? left : right);
    }
    return MakeBitmapFromPixels(w, h, pixels);
}

class PreviewPainting : public testing::Test {
protected:
    void SetUp() override { darkMode = 1; }
    void TearDown() override { darkMode = 0; }
};

// Paints into a 32-bit target of w x h and returns it.
HBITMAP PaintFittedInto(int w, int h, HBITMAP picture, int alpha) {
    HBITMAP target = MakeSolidBitmap(w, h, MakePixel(1, 2, 3));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, target);
    RECT area = {0, 0, w, h};
    PaintBitmapFitted(dc, picture, area, alpha);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return target;
}

TEST_F(PreviewPainting, FittedPictureOnTheDarkBackground) {
    HBITMAP picture = MakeSolidBitmap(100, 50, MakePixel(255, 0, 0));
    HBITMAP target = PaintFittedInto(400, 300, picture, 0);
    const Pixel dark = MakePixel(64, 64, 64), red = MakePixel(255, 0, 0);
    EXPECT_TRUE(Looks(PixelAt(target, 200, 10), dark, 0)) << ColourText(PixelAt(target, 200, 10));
    EXPECT_TRUE(Looks(PixelAt(target, 200, 49), dark, 0));
    EXPECT_TRUE(Looks(PixelAt(target, 0, 50), red, 8)) << ColourText(PixelAt(target, 0, 50));
    EXPECT_TRUE(Looks(PixelAt(target, 399, 249), red, 8));
    EXPECT_TRUE(Looks(PixelAt(target, 200, 250), dark, 0));
    // The picture is the caller's still.
    EXPECT_EQ(BitmapSize(picture).cx, 100);
    DeleteObject(picture);
    DeleteObject(target);
}

TEST_F(PreviewPainting, FittedBlendShowsTheBackgroundThroughAlpha) {
    // Premultiplied: fully transparent left half, opaque blue right half.
    HBITMAP picture = MakeHalves(20, 10, MakePixel(0, 0, 0, 0), MakePixel(0, 0, 255, 255));
    HBITMAP target = PaintFittedInto(200, 200, picture, 1);
    EXPECT_TRUE(Looks(PixelAt(target, 40, 100), MakePixel(64, 64, 64), 0)) << ColourText(PixelAt(target, 40, 100));
    EXPECT_TRUE(Looks(PixelAt(target, 160, 100), MakePixel(0, 0, 255), 8))
        << ColourText(PixelAt(target, 160, 100));
    EXPECT_TRUE(Looks(PixelAt(target, 100, 20), MakePixel(64, 64, 64), 0));
    EXPECT_TRUE(Looks(PixelAt(target, 100, 180), MakePixel(64, 64, 64), 0));
    DeleteObject(picture);
    DeleteObject(target);
}

TEST_F(PreviewPainting, LightThemeFollowsTheButtonFace) {
    darkMode = 0;
    HBITMAP picture = MakeSolidBitmap(10, 10, MakePixel(0, 255, 0));
    HBITMAP target = PaintFittedInto(30, 10, picture, 0);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_TRUE(Looks(PixelAt(target, 2, 5), MakePixel(GetRValue(face), GetGValue(face), GetBValue(face)), 0));
    EXPECT_TRUE(Looks(PixelAt(target, 15, 5), MakePixel(0, 255, 0), 8));
    DeleteObject(picture);
    DeleteObject(target);
}

TEST_F(PreviewPainting, NothingIsDrawnWithoutAPictureOrArea) {
    HBITMAP target = PaintFittedInto(20, 20, nullptr, 0);
    EXPECT_TRUE(Looks(PixelAt(target, 10, 10), MakePixel(1, 2, 3), 0));
    DeleteObject(target);
    HBITMAP picture = MakeSolidBitmap(10, 10, MakePixel(0, 255, 0));
    target = MakeSolidBitmap(20, 20, MakePixel(1, 2, 3));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    PaintBitmapFitted(dc, picture, RECT{0, 0, 0, 20}, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_TRUE(Looks(PixelAt(target, 10, 10), MakePixel(1, 2, 3), 0));
    DeleteObject(picture);
    DeleteObject(target);
}

TEST_F(PreviewPainting, PreviewPaintComposesAlphaOverTheBackgroundFirst) {
    TestPreviewWindow preview(200, 200, true);
    PumpMessagesFor(100);
    // Half-transparent red, premultiplied, on the left; opaque blue right.
    HBITMAP picture = MakeHalves(20, 10, MakePixel(128, 0, 0, 128), MakePixel(0, 0, 255, 255));
    RECT client = {0, 0, 200, 200};
    PaintPreviewBitmap(preview.window(), picture, client, 1);
    // Red at half over (64, 64, 64): 128 + 64 * 127 / 255 = 160, 32, 32.
    EXPECT_TRUE(Looks(preview.Pixel(40, 100), MakePixel(160, 32, 32), 3)) << ColourText(preview.Pixel(40, 100));
    EXPECT_TRUE(Looks(preview.Pixel(160, 100), MakePixel(0, 0, 255), 3)) << ColourText(preview.Pixel(160, 100));
    EXPECT_TRUE(Looks(preview.Pixel(100, 20), MakePixel(64, 64, 64), 0)) << ColourText(preview.Pixel(100, 20));
    EXPECT_TRUE(Looks(preview.Pixel(100, 180), MakePixel(64, 64, 64), 0));
    DeleteObject(picture);
}

}  // namespace
