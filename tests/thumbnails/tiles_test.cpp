// Tiles, masks and alpha, checked on the pixels and bits they produce.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "shell/main_state.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/tiles.h"

namespace {

const COLORREF kDark = RGB(64, 64, 64);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

class Tiles : public testing::Test {
protected:
    void SetUp() override { savedDarkMode_ = darkMode; darkMode = 1; }
    void TearDown() override { darkMode = savedDarkMode_; }

private:
    int savedDarkMode_ = 0;
};

COLORREF ColourAt(HBITMAP bitmap, int x, int y) {
    return PixelColour(PixelAt(bitmap, x, y));
}

struct FitCase {
    int w, h, size;
    int x0, y0, width, height, blendWidth, blendHeight;
};

}  // namespace

TEST_F(Tiles, FittedRectangleRoundsSizesAndKeepsIntegerMargins) {
    const FitCase cases[] = {
        {300, 200, 128, 0, 21, 128, 85, 128, 85},
        {49, 7, 128, 0, 55, 128, 18, 127, 18},  // w * s falls just below 128
        {1000, 3, 96, 0, 48, 96, 0, 96, 0},
        {32, 32, 128, 0, 0, 128, 128, 128, 128},
        {48, 32, 100, 0, 16, 100, 67, 100, 66},
        {200, 300, 128, 21, 0, 85, 128, 85, 128},
    };
    for (const FitCase& c : cases) {
        TFittedRect fit = FitIntoSquare(c.w, c.h, c.size);
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.size);
        EXPECT_EQ(fit.x0, c.x0);
        EXPECT_EQ(fit.y0, c.y0);
        EXPECT_EQ(fit.width, c.width);
        EXPECT_EQ(fit.height, c.height);
        EXPECT_EQ(fit.blendWidth, c.blendWidth);
        EXPECT_EQ(fit.blendHeight, c.blendHeight);
    }
}

TEST_F(Tiles, MaskRowsAreWholeWords) {
    const int cases[][2] = {{16, 2}, {17, 4}, {32, 4}, {33, 6}, {48, 6}, {100, 14}, {128, 16}};
    for (const auto& c : cases) {
        EXPECT_EQ(MaskRowBytes(c[0]), c[1]) << "size " << c[0];
        HBITMAP picture = MakeSolidBitmap(10, 10, MakePixel(1, 2, 3));
        HBITMAP mask = MakeTileMask(picture, c[0]);
        BITMAP info = {};
        GetObjectW(mask, sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, c[0]);
        EXPECT_EQ(info.bmHeight, c[0]);
        EXPECT_EQ(info.bmBitsPixel, 1);
        EXPECT_EQ(info.bmWidthBytes, c[1]) << "size " << c[0];
        DeleteObject(mask);
        DeleteObject(picture);
    }
}

TEST_F(Tiles, TileShowsPictureInItsRowsAndMaskReachesOneRowFurtherAtAnOddMargin) {
    HBITMAP picture = MakeSolidBitmap(300, 200, MakePixel(255, 0, 0));
    HBITMAP mask = MakeTileMask(picture, 128);
    HBITMAP tile = ScaleToTile(picture, 128, 0);
    EXPECT_EQ(GetObjectType(picture), 0u) << "the picture is taken over and deleted";
    SIZE size = BitmapSize(tile);
    EXPECT_EQ(size.cx, 128);
    EXPECT_EQ(size.cy, 128);

    EXPECT_EQ(ColourAt(tile, 64, 20), kDark);
    EXPECT_EQ(ColourAt(tile, 0, 21), kRed);
    EXPECT_EQ(ColourAt(tile, 127, 105), kRed);
    EXPECT_EQ(ColourAt(tile, 64, 106), kDark);

    for (int x : {0, 7, 8, 64, 127}) {
        EXPECT_TRUE(MaskBitSet(mask, x, 20)) << x;
        EXPECT_FALSE(MaskBitSet(mask, x, 21)) << x;
        EXPECT_FALSE(MaskBitSet(mask, x, 105)) << x;
        EXPECT_FALSE(MaskBitSet(mask, x, 106)) << "one row past the picture, x " << x;
        EXPECT_TRUE(MaskBitSet(mask, x, 107)) << x;
    }
    DeleteObject(tile);
    DeleteObject(mask);
}

TEST_F(Tiles, MaskColumnsOfATallPicture) {
    HBITMAP picture = MakeSolidBitmap(200, 300, MakePixel(255, 0, 0));
    HBITMAP mask = MakeTileMask(picture, 128);
    EXPECT_TRUE(MaskBitSet(mask, 20, 64));
    EXPECT_FALSE(MaskBitSet(mask, 21, 64));
    EXPECT_FALSE(MaskBitSet(mask, 106, 64));
    EXPECT_TRUE(MaskBitSet(mask, 107, 64));
    DeleteObject(mask);
    DeleteObject(picture);
}

TEST_F(Tiles, BlendedPictureIsOneColumnNarrowerThanTheCopiedOne) {
    for (int alpha : {0, 1}) {
        HBITMAP picture = MakeSolidBitmap(49, 7, MakePixel(255, 0, 0));
        HBITMAP tile = ScaleToTile(picture, 128, alpha);
        SCOPED_TRACE(alpha);
        EXPECT_EQ(ColourAt(tile, 64, 54), kDark);
        EXPECT_EQ(ColourAt(tile, 0, 55), kRed);
        EXPECT_EQ(ColourAt(tile, 126, 72), kRed);
        EXPECT_EQ(ColourAt(tile, 64, 73), kDark);
        EXPECT_EQ(ColourAt(tile, 127, 60), alpha ? kDark : kRed);
        DeleteObject(tile);
    }
}

TEST_F(Tiles, PictureThatRoundsToNoRowsLeavesTileAndMaskEmpty) {
    HBITMAP picture = MakeSolidBitmap(1000, 3, MakePixel(255, 0, 0));
    HBITMAP mask = MakeTileMask(picture, 96);
    HBITMAP tile = ScaleToTile(picture, 96, 0);
    for (Pixel p : ReadBitmapPixels(tile).pixels) ASSERT_EQ(PixelColour(p), kDark);
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 96; ++x) ASSERT_TRUE(MaskBitSet(mask, x, y)) << x << "," << y;
    }
    DeleteObject(tile);
    DeleteObject(mask);
}

TEST_F(Tiles, MarginsTakeTheThemeBackgroundOfTheMomentOfDrawing) {
    struct {
        int darkMode;
        COLORREF expected;
    } cases[] = {{1, kDark}, {0, GetSysColor(COLOR_BTNFACE)}, {2, GetSysColor(COLOR_BTNFACE)}};
    for (const auto& c : cases) {
        darkMode = c.darkMode;
        EXPECT_EQ(ThemeBackground(), c.expected);
        HBITMAP tile = ScaleToTile(MakeSolidBitmap(300, 200, MakePixel(255, 0, 0)), 128, 0);
        EXPECT_EQ(ColourAt(tile, 5, 5), c.expected) << "darkMode " << c.darkMode;
        EXPECT_EQ(ColourAt(tile, 5, 120), c.expected);
        DeleteObject(tile);
        HBITMAP plain = ScaleToTile(nullptr, 32, 0);
        for (Pixel p : ReadBitmapPixels(plain).pixels) ASSERT_EQ(PixelColour(p), c.expected);
        DeleteObject(plain);
    }
}

TEST_F(Tiles, PremultiplyAndUnpremultiplyTheExamplePixel) {
    HBITMAP bitmap = MakeBitmapFromPixels(3, 1, {MakePixel(50, 100, 200, 128), MakePixel(10, 20, 30, 0),
                                                 MakePixel(50, 100, 200, 100)});
    PremultiplyAlpha(bitmap);
    std::vector<Pixel> pixels = ReadBitmapPixels(bitmap).pixels;
    EXPECT_EQ(pixels[0], MakePixel(25, 50, 100, 128));
    EXPECT_EQ(pixels[1], MakePixel(0, 0, 0, 0));

    HBITMAP other = MakeBitmapFromPixels(3, 1, {MakePixel(25, 50, 100, 128), MakePixel(10, 20, 30, 0),
                                                MakePixel(50, 120, 200, 100)});
    UnpremultiplyAndClearAlpha(other);
    pixels = ReadBitmapPixels(other).pixels;
    EXPECT_EQ(pixels[0], MakePixel(49, 99, 199, 0)) << "truncated, not the values before premultiplying";
    EXPECT_EQ(pixels[1], MakePixel(10, 20, 30, 0)) << "alpha 0 stays as it is";
    EXPECT_EQ(pixels[2], MakePixel(127, 255, 255, 0)) << "values past 255 are clamped";
    DeleteObject(bitmap);
    DeleteObject(other);
    PremultiplyAlpha(nullptr);
    UnpremultiplyAndClearAlpha(nullptr);
}

TEST_F(Tiles, ShellIconIsStretchedByItsLongerSideOverTheBackground) {
    struct {
        int w, h, size;
        int firstRow, lastRow;  // rows of the picture at the middle column
    } cases[] = {{48, 32, 100, 17, 82}, {32, 32, 128, 0, 127}};
    for (int speed : {0, 1}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " speed " << speed);
            HBITMAP icon = MakeSolidBitmap(c.w, c.h, MakePixel(255, 0, 0));
            HBITMAP square = ComposeIntoSquare(nullptr, icon, c.size, speed);
            EXPECT_EQ(GetObjectType(icon), 0u);
            SIZE size = BitmapSize(square);
            EXPECT_EQ(size.cx, c.size);
            EXPECT_EQ(size.cy, c.size);
            EXPECT_EQ(ColourAt(square, c.size / 2, c.firstRow), kRed);
            EXPECT_EQ(ColourAt(square, c.size / 2, c.lastRow), kRed);
            if (c.firstRow > 0) {
                EXPECT_EQ(ColourAt(square, c.size / 2, c.firstRow - 1), kDark);
            }
            if (c.lastRow < c.size - 1) {
                EXPECT_EQ(ColourAt(square, c.size / 2, c.lastRow + 1), kDark);
            }
            DeleteObject(square);
        }
    }
}

TEST_F(Tiles, TransparentShellIconAndNoIconGivePlainSquares) {
    HBITMAP clear = MakeSolidBitmap(1, 1, MakePixel(0, 0, 0, 0));
    for (HBITMAP input : {clear, static_cast<HBITMAP>(nullptr)}) {
        HBITMAP square = ComposeIntoSquare(nullptr, input, 40, 0);
        SIZE size = BitmapSize(square);
        EXPECT_EQ(size.cx, 40);
        for (Pixel p : ReadBitmapPixels(square).pixels) ASSERT_EQ(PixelColour(p), kDark);
        DeleteObject(square);
    }
}

TEST_F(Tiles, FolderTileHasThePicturesSizeAndTheBadgeInTheCorner) {
    HICON picture = MakeSolidIcon(96, kBlue);
    HICON badge = MakeSolidIcon(32, kRed);
    HBITMAP tile = ComposeFolderTile(picture, badge);
    SIZE size = BitmapSize(tile);
    EXPECT_EQ(size.cx, 96);
    EXPECT_EQ(size.cy, 96);
    EXPECT_EQ(ColourAt(tile, 0, 0), kBlue);
    EXPECT_EQ(ColourAt(tile, 63, 63), kBlue);
    EXPECT_EQ(ColourAt(tile, 64, 64), kRed);
    EXPECT_EQ(ColourAt(tile, 95, 95), kRed);
    EXPECT_EQ(ColourAt(tile, 95, 63), kBlue);
    DeleteObject(tile);

    // Without a picture: a square of plain background; the icons stay usable.
    HBITMAP plain = ComposeFolderTile(nullptr, badge);
    ASSERT_NE(plain, nullptr);
    for (Pixel p : ReadBitmapPixels(plain).pixels) ASSERT_EQ(PixelColour(p), kDark);
    DeleteObject(plain);
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(picture, &info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(picture);
    DestroyIcon(badge);
}

TEST_F(Tiles, ArchiveMaskIsOpaqueExactlyOverTheBadgesVisiblePixels) {
    ArchiveBadge archive;
    ASSERT_NE(archive.bitmap(), nullptr);
    int bw = archive.pixels.width, bh = archive.pixels.height;
    const std::vector<Pixel>& badge = archive.pixels.pixels;
    ASSERT_EQ(bw, 25);
    ASSERT_EQ(bh, 31);

    // A wide picture leaves the badge's corner in the bottom margin.
    const int size = 64;
    HBITMAP picture = MakeSolidBitmap(300, 100, MakePixel(0, 255, 0));
    TFittedRect fit = FitIntoSquare(300, 100, size);
    HBITMAP mask = MakeArchiveTileMask(picture, size, archive.bitmap());
    int transparentBadgePixels = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            bool inFit = y >= fit.y0 && y < size - fit.y0 && x >= fit.x0 && x < size - fit.x0;
            bool inBadge = x >= size - bw && y >= size - bh;
            bool badgeVisible = inBadge && PixelAlpha(badge[(y - (size - bh)) * bw + (x - (size - bw))]) != 0;
            if (inBadge && !badgeVisible && !inFit) ++transparentBadgePixels;
            ASSERT_EQ(MaskBitSet(mask, x, y), !(inFit || badgeVisible)) << x << "," << y;
        }
    }
    EXPECT_GT(transparentBadgePixels, 0) << "the badge's own margins stay transparent";
    DeleteObject(mask);

    // A badge larger than the tile is clipped at the tile's edge.
    HBITMAP big = MakeSolidBitmap(40, 40, MakePixel(0, 0, 0, 255));
    HBITMAP clipped = MakeArchiveTileMask(picture, 32, big);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) ASSERT_FALSE(MaskBitSet(clipped, x, y));
    }
    DeleteObject(clipped);
    DeleteObject(big);
    DeleteObject(picture);
}

TEST_F(Tiles, ShellPicturesOfAMissingPathAreNone) {
    TempFolder folder;
    std::wstring missing = folder / L"missing.txt";
    EXPECT_EQ(GetShellItemIcon(missing.c_str(), 64), nullptr);
    EXPECT_EQ(GetShellItemImageIcon(missing.c_str(), 64), nullptr);
    EXPECT_EQ(GetShellItemIcon(L"", 64), nullptr);
}

TEST_F(Tiles, BlankPicturesAreOnePixelOrAllZero) {
    const BYTE zero[16] = {};
    const BYTE oneAlpha[16] = {0, 0, 0, 0, 0, 0, 0, 0xFF};
    const BYTE oneBlue[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
    const BYTE opaqueBlack[16] = {0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF};
    struct {
        const char* what;
        const BYTE* bytes;
        size_t size;
        int width, height;
        bool blank;
    } cases[] = {
        {"1 x 1 of any colour", opaqueBlack, 4, 1, 1, true},
        {"2 x 2 all zero", zero, 16, 2, 2, true},
        {"2 x 2 all zero, bottom-up", zero, 16, 2, -2, true},
        {"one pixel with alpha", oneAlpha, 16, 2, 2, false},
        {"one pixel with colour and no alpha", oneBlue, 16, 2, 2, false},
        {"opaque black", opaqueBlack, 16, 2, 2, false},
        {"fewer bytes than the size", opaqueBlack, 16, 4, 4, true},
        {"no bytes", nullptr, 0, 2, 2, true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsBlankPicture(c.bytes, c.size, c.width, c.height), c.blank) << c.what;
}

// Folders and files that no renderer draws show a real picture: where the
// shell's image factory gives a blank one (Wine), the shell's icon instead.
TEST_F(Tiles, ShellPicturesOfFoldersAndFilesAreNeverBlank) {
    TempFolder folder;
    MakeFolder(folder / L"sub");
    WriteText(folder / L"notes.zuvunknown", "x");
    auto distinctColours = [](HBITMAP bitmap) {
        std::vector<Pixel> pixels = ReadBitmapPixels(bitmap).pixels;
        std::sort(pixels.begin(), pixels.end());
        return std::unique(pixels.begin(), pixels.end()) - pixels.begin();
    };
    for (const wchar_t* name : {L"sub", L"notes.zuvunknown"}) {
        SCOPED_TRACE(testing::Message() << ToUtf8(name));
        std::wstring path = folder / name;
        HICON icon = GetShellItemImageIcon(path.c_str(), 64);
        ASSERT_NE(icon, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        SIZE size = BitmapSize(info.hbmColor);
        EXPECT_GE(size.cx, 64);
        EXPECT_GE(size.cy, 64);
        EXPECT_GT(distinctColours(info.hbmColor), 8) << "a blank or plain tile";
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);

        HBITMAP picture = GetShellItemIcon(path.c_str(), 64);
        ASSERT_NE(picture, nullptr);
        EXPECT_GT(BitmapSize(picture).cx, 1);
        EXPECT_GT(distinctColours(picture), 8) << "a blank picture";
        DeleteObject(picture);
    }
}

TEST_F(Tiles, ArchiveTileCarriesTheBadgeInItsCornerAndNoAlpha) {
    ArchiveBadge archive;
    ASSERT_NE(archive.bitmap(), nullptr);
    int bw = archive.pixels.width, bh = archive.pixels.height;
    const std::vector<Pixel>& badge = archive.pixels.pixels;

    const int size = 64;
    HBITMAP picture = MakeSolidBitmap(300, 100, MakePixel(0, 255, 0));
    HBITMAP reference = MakeArchiveTileMask(picture, size, archive.bitmap());
    HBITMAP mask = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP tile = MakeArchiveTile(screen, picture, size, 0, archive.bitmap(), &mask);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(tile, nullptr);
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(GetObjectType(picture), 0u);

    std::vector<Pixel> pixels = ReadBitmapPixels(tile).pixels;
    int opaqueBadgePixels = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Pixel p = pixels[y * size + x];
            ASSERT_EQ(PixelAlpha(p), 0) << x << "," << y;
            ASSERT_EQ(MaskBitSet(mask, x, y), MaskBitSet(reference, x, y)) << x << "," << y;
            if (x < size - bw || y < size - bh) continue;
            Pixel b = badge[(y - (size - bh)) * bw + (x - (size - bw))];
            if (PixelAlpha(b) == 255) {
                ++opaqueBadgePixels;
                ASSERT_EQ(PixelColour(p), PixelColour(b)) << x << "," << y;
            } else if (PixelAlpha(b) == 0) {
                // Margin below the picture, or the picture itself.
                ASSERT_TRUE(PixelColour(p) == kDark || PixelColour(p) == RGB(0, 255, 0)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(opaqueBadgePixels, 100);
    EXPECT_EQ(PixelColour(pixels[25 * size + 5]), RGB(0, 255, 0));
    EXPECT_EQ(PixelColour(pixels[5 * size + 5]), kDark);
    DeleteObject(tile);
    DeleteObject(mask);
    DeleteObject(reference);
}
