// Archives through the worker's steps 5 and 6: the member's picture becomes
// an archive tile with the badge in its corner, the mask leaves the margins
// transparent and keeps the badge, and the cache file holds the same.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "support/archive_files.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/worker_params.h"

namespace {

const int kSize = 64;

class WorkerArchives : public testing::Test {
protected:
    void SetUp() override {
        iconView = 1;
        host.SetFolder(folder.path());
    }
    void TearDown() override { sevenZipPath[0] = L'\0'; }

    TempFolder folder;
    WorkerHost host{kSize};
    ArchiveBadge badge;
};

TEST_F(WorkerArchives, ArchiveTileCarriesTheBadgeInTheImageListAndTheCacheFile) {
    ASSERT_TRUE(WriteBytes(folder / L"pics.zip",
                           MakeZipBytes({{"docs/readme.txt", {'t', 'x', 't'}},
                                         {"img/wide.png", ReadBytes(MediaFixture(L"size_300x200.png")), true}})));
    FillListView(host.list(), {L"pics.zip"});
    workerParams.cacheAutoSave = 1;
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 1);

    std::wstring cacheFile = folder / L"Zuv_CACHE\\pics.zip.Zuv.icon.ico";
    HICON cached = static_cast<HICON>(LoadImageW(nullptr, cacheFile.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(cached, nullptr) << "no cache file";
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cached, &info));

    int bw = badge.pixels.width;
    int bh = badge.pixels.height;
    ASSERT_GT(bw, 0);
    // 300 x 200 fits as 64 x 43 from row 11: margins above and below.
    for (int y : {0, kSize / 2, kSize - 1}) {
        for (int x = 0; x < kSize; ++x) {
            bool inBadge = x >= kSize - bw && y >= kSize - bh;
            bool badgeVisible = inBadge && PixelAlpha(badge.pixels.at(x - (kSize - bw), y - (kSize - bh))) != 0;
            bool opaque = y == kSize / 2 || badgeVisible;
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(MaskBitSet(info.hbmMask, x, y), !opaque);
            EXPECT_EQ(ImageListMaskBit(host.images(), 0, x, y), !opaque);
        }
    }
    // The picture's colour, compared without the alpha byte.
    Pixel wide = MakePixel(0x33, 0x66, 0x99, 0);
    Pixel cachedColour = PixelAt(info.hbmColor, kSize / 4, kSize / 2) & 0xFFFFFF;
    EXPECT_TRUE(NearColour(cachedColour, wide, 2)) << ColourText(cachedColour);
    COLORREF listed = ImageListColour(host.images(), 0, kSize / 4, kSize / 2);
    EXPECT_TRUE(NearColour(MakePixel(GetRValue(listed), GetGValue(listed), GetBValue(listed), 0), wide, 2));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(cached);
}

TEST_F(WorkerArchives, SevenZipFamilyOnlyWithAnArchiver) {
    std::wstring exe = SevenZipExe();
    if (exe.empty()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    for (const wchar_t* name : {L"members.7z", L"members.cab", L"members.lzh"}) {
        ASSERT_TRUE(CopyFileW(ArchiveFixture(name).c_str(), (folder / name).c_str(), FALSE));
    }
    ASSERT_TRUE(WriteBytes(folder / L"members.rar",
                           MakeRar5Bytes({{"docs/readme.txt", {'t', 'x', 't'}},
                                          {"img/a.png", ReadBytes(MediaFixture(L"cover_red.png"))}})));
    const std::vector<std::wstring> names = {L"members.7z", L"members.cab", L"members.lzh", L"members.rar"};
    FillListView(host.list(), names);

    lstrcpynW(sevenZipPath, exe.c_str(), kPathChars);
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 4);
    int bw = badge.pixels.width;
    int bh = badge.pixels.height;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        // The red square fills the tile; only the badge's own margins in
        // the corner would show through, and none of them lies here.
        EXPECT_EQ(ImageListColour(host.images(), i, kSize / 2, kSize / 2), RGB(255, 0, 0));
        EXPECT_FALSE(ImageListMaskBit(host.images(), i, kSize / 2, kSize / 2));
        EXPECT_NE(ImageListColour(host.images(), i, kSize - bw / 2, kSize - bh / 2), RGB(255, 0, 0))
            << "no badge in the corner";
    }
    EXPECT_EQ(FolderEntries(folder.path()), names);

    // Without an archiver the same files go on to the generic steps.
    sevenZipPath[0] = L'\0';
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 4);
    for (int i = 0; i < 4; ++i) EXPECT_NE(ImageListColour(host.images(), i, kSize / 2, kSize / 2), RGB(255, 0, 0));
}

// A folder of downloads: a ZIP under a 7z name, whose members climb out of
// the worker's work folder by steps of three dots and name pictures that
// already exist there. They are passed over, never rendered or deleted.
TEST_F(WorkerArchives, ClimbingMembersLeaveFilesOutsideTheWorkFolderAlone) {
    std::wstring exe = SevenZipExe();
    if (exe.empty()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    wchar_t temp[MAX_PATH] = L"";
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    // The worker's work folder is TEMP\Zuv\ZuvN: two climbs reach TEMP,
    // and more than there are steps reach the drive's root.
    const std::wstring victims[] = {JoinPath(temp, L"zuv_victim.png"), L"C:\\zuv_victim.png"};
    std::vector<unsigned char> red = ReadBytes(MediaFixture(L"cover_red.png"));
    for (const std::wstring& victim : victims) ASSERT_TRUE(WriteBytes(victim, red));
    std::string climb;
    for (int i = 0; i < 12; ++i) climb += ".../";
    ASSERT_TRUE(WriteBytes(folder / L"b_dots.7z", MakeZipBytes({{".../.../zuv_victim.png", red},
                                                                 {climb + "zuv_victim.png", red},
                                                                 {"..\\..\\zuv_victim.png", red}})));
    FillListView(host.list(), {L"b_dots.7z"});
    lstrcpynW(sevenZipPath, exe.c_str(), kPathChars);
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 1);
    EXPECT_NE(ImageListColour(host.images(), 0, kSize / 2, kSize / 2), RGB(255, 0, 0)) << "a victim was rendered";
    for (const std::wstring& victim : victims) {
        EXPECT_EQ(ReadBytes(victim), red) << ToUtf8(victim) << " is gone";
        DeleteFileW(victim.c_str());
    }
}

// A picture whose clear and half-clear areas reach its edges shows them on
// the theme background in its archive tile, as in its own tile: in a ZIP
// and in a 7z, with the badge drawn over the corner.
TEST_F(WorkerArchives, TransparentMemberShowsTheThemeBackgroundAsItsOwnTileDoes) {
    std::wstring exe = SevenZipExe();
    if (exe.empty()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    std::vector<unsigned char> png = ReadBytes(MediaFixture(L"half_alpha.png"));
    ASSERT_FALSE(png.empty());
    ASSERT_TRUE(WriteBytes(folder / L"half_alpha.png", png));
    ASSERT_TRUE(WriteBytes(folder / L"half_alpha.zip",
                           MakeZipBytes({{"docs/readme.txt", {'t', 'x', 't'}}, {"img/half_alpha.png", png, true}})));
    ASSERT_TRUE(CopyFileW(ArchiveFixture(L"half_alpha.7z").c_str(), (folder / L"half_alpha.7z").c_str(), FALSE));
    FillListView(host.list(), {L"half_alpha.png", L"half_alpha.zip", L"half_alpha.7z"});
    lstrcpynW(sevenZipPath, exe.c_str(), kPathChars);
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.images()), 3);

    // 64 x 32 fits at 1:1 from row 16: columns of 16 pixels, clear, red at
    // half, red, red at half. Red at half over (64, 64, 64) is (160, 32, 32).
    const Pixel dark = MakePixel(64, 64, 64, 0), half = MakePixel(160, 32, 32, 0), red = MakePixel(255, 0, 0, 0);
    const Pixel columns[] = {dark, half, red, half};
    BitmapPixels own = ImageListPixels(host.images(), 0);
    ASSERT_EQ(own.width, kSize);
    int bw = badge.pixels.width;
    int bh = badge.pixels.height;
    for (int i : {1, 2}) {
        SCOPED_TRACE(i == 1 ? "zip" : "7z");
        BitmapPixels tile = ImageListPixels(host.images(), i);
        ASSERT_EQ(tile.width, kSize);
        for (int y : {16, 17, 31, 46, 47}) {
            for (int x : {0, 1, 15, 16, 31, 32, 47, 48, 62, 63}) {
                bool underBadge = x >= kSize - bw && y >= kSize - bh;
                if (underBadge) continue;
                SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
                Pixel got = tile.at(x, y) & 0xFFFFFF;
                EXPECT_TRUE(NearColour(got, columns[x / 16], 2)) << ColourText(got);
                EXPECT_TRUE(NearColour(got, own.at(x, y) & 0xFFFFFF, 2)) << ColourText(own.at(x, y));
                EXPECT_FALSE(ImageListMaskBit(host.images(), i, x, y));
            }
        }
        // The margins above and below stay transparent, the badge opaque.
        EXPECT_TRUE(ImageListMaskBit(host.images(), i, 8, 15));
        EXPECT_TRUE(ImageListMaskBit(host.images(), i, 8, 48));
        ASSERT_EQ(PixelAlpha(badge.pixels.at(bw / 2, bh / 2)), 255);
        EXPECT_FALSE(ImageListMaskBit(host.images(), i, kSize - bw + bw / 2, kSize - bh + bh / 2));
        EXPECT_EQ(tile.at(kSize - bw + bw / 2, kSize - bh + bh / 2) & 0xFFFFFF,
                  badge.pixels.at(bw / 2, bh / 2) & 0xFFFFFF)
            << "no badge in the corner";
    }
}

}  // namespace
