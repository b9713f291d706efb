// The demo folder of `./zuv.sh run`, made by scripts/make_demo.sh, through
// the worker thread: its MP3 shows its cover, and its ZIP shows the logo on
// the theme background as the logo's own tile does.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "shell/main_state.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"

namespace {

const int kSize = 64;

std::wstring DemoFolderPath() { return JoinPath(BuildFolder(), L"tests\\fixtures\\demo"); }

Pixel Colour(const BitmapPixels& pixels, int x, int y) { return pixels.at(x, y) & 0xFFFFFF; }

class DemoFolder : public testing::Test {
protected:
    void SetUp() override {
        iconView = 1;
        if (!FileExists(JoinPath(DemoFolderPath(), L"tone.mp3"))) {
            GTEST_SKIP() << "no demo folder with tone.mp3 (the build makes it with ImageMagick and ffmpeg)";
        }
        host.SetFolder(DemoFolderPath());
    }
    WorkerHost host{kSize};
};

TEST_F(DemoFolder, TheMp3ShowsItsCover) {
    FillListView(host.list(), {L"tone.mp3"});
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 1);
    // The square cover fills the tile: an amber ring round a dark disc with
    // an amber centre, not the white of a text tile.
    BitmapPixels tile = ImageListPixels(host.images(), 0);
    ASSERT_EQ(tile.width, kSize);
    EXPECT_TRUE(NearColour(Colour(tile, kSize / 2, kSize / 2), MakePixel(0xFF, 0xCA, 0x28, 0), 12))
        << ColourText(Colour(tile, kSize / 2, kSize / 2));
    EXPECT_TRUE(NearColour(Colour(tile, kSize / 2, kSize / 4), MakePixel(0x26, 0x32, 0x38, 0), 12))
        << ColourText(Colour(tile, kSize / 2, kSize / 4));
    for (int xy : {0, kSize / 2, kSize - 1}) EXPECT_FALSE(ImageListMaskBit(host.images(), 0, xy, xy));
}

TEST_F(DemoFolder, TheZipShowsTheLogoOnTheThemeBackgroundAsTheLogoItselfDoes) {
    FillListView(host.list(), {L"logo.png", L"pictures.zip"});
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 2);
    BitmapPixels own = ImageListPixels(host.images(), 0);
    BitmapPixels archive = ImageListPixels(host.images(), 1);
    ASSERT_EQ(archive.width, kSize);
    // 300 x 200 fits as 64 x 43 from row 10; the rounded rectangle leaves a
    // clear border of 20 pixels (4 in the tile) and clear corners.
    const Pixel dark = MakePixel(64, 64, 64, 0), red = MakePixel(0xE5, 0x39, 0x35, 0);
    struct Point {
        int x, y;
        Pixel colour;
    };
    for (Point p : {Point{1, 11, dark}, Point{kSize / 2, 11, dark}, Point{1, 30, dark}, Point{2, 12, dark},
                    Point{kSize / 2, 30, red}, Point{20, 40, red}}) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_TRUE(NearColour(Colour(archive, p.x, p.y), p.colour, 3)) << ColourText(Colour(archive, p.x, p.y));
        EXPECT_TRUE(NearColour(Colour(archive, p.x, p.y), Colour(own, p.x, p.y), 3))
            << ColourText(Colour(own, p.x, p.y));
    }
}

}  // namespace
