// Cache icon files: the bytes written, what a folder save writes and leaves
// alone, folder pictures, deleting an item's files, and the two key commands.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/guarded_bytes.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/cache_commands.h"
#include "thumbnails/cache_files.h"
#include "thumbnails/tiles.h"

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kYellow = RGB(255, 255, 0);

unsigned Word(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}

unsigned Dword(const std::vector<unsigned char>& b, size_t at) {
    return Word(b, at) | (Word(b, at + 2) << 16);
}

// A tile of a picture twice as wide as high, with its mask, as an image list
// icon: the colour bitmap and the mask then both carry a pattern. With alpha
// the picture is premultiplied and tiled as the worker tiles such pictures.
HICON ImageListTileIcon(int size, bool withAlpha = false) {
    std::vector<Pixel> pixels(static_cast<size_t>(size) * size / 2);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = MakePixel(i & 0xFF, (i >> 8) & 0xFF, 0x5A, withAlpha ? static_cast<BYTE>(i % 200 + 20) : 0);
    }
    return TileIconOfPixels(size, pixels, withAlpha);
}

std::vector<unsigned char> BitmapBits(HBITMAP bitmap, BITMAP* info) {
    GetObjectW(bitmap, sizeof(*info), info);
    std::vector<unsigned char> bits(static_cast<size_t>(info->bmWidthBytes) * info->bmHeight);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    return bits;
}

std::wstring CacheFile(const std::wstring& folder, const std::wstring& name, bool iconViewFile) {
    return folder + L"\\Zuv_CACHE\\" + name + (iconViewFile ? L".Zuv.icon.ico" : L".Zuv.list.ico");
}

COLORREF IconFileColour(const std::wstring& path) {
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!icon) return CLR_INVALID;
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    COLORREF colour = PixelColour(PixelAt(info.hbmColor, 3, 3));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return colour;
}

void WriteIconFile(const std::wstring& path, int size, COLORREF colour) {
    HICON icon = MakeSolidIcon(size, colour);
    SaveIconFile(icon, path.c_str());
    DestroyIcon(icon);
}

}  // namespace

TEST(CacheFiles, IconFileBytesAtThreeSizes) {
    struct {
        int size;
        int maskRow;  // bytes of a mask row in memory
    } cases[] = {{100, 14}, {128, 16}, {256, 32}};
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        HICON icon = ImageListTileIcon(c.size);
        ASSERT_NE(icon, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        BITMAP mask = {};
        std::vector<unsigned char> colourBits = BitmapBits(info.hbmColor, &colour);
        std::vector<unsigned char> maskBits = BitmapBits(info.hbmMask, &mask);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        ASSERT_EQ(colour.bmBitsPixel, 32);
        ASSERT_EQ(colour.bmWidthBytes, c.size * 4);
        ASSERT_EQ(mask.bmWidthBytes, c.maskRow);

        std::wstring path = folder / (std::to_wstring(c.size) + L".ico");
        SaveIconFile(icon, path.c_str());
        std::vector<unsigned char> file = ReadBytes(path);

        unsigned maskRowOnDisk = (c.maskRow + 3) & ~3;
        unsigned imageBytes = c.size * c.size * 4 + c.size * maskRowOnDisk;
        ASSERT_EQ(file.size(), 62u + imageBytes);
        EXPECT_EQ(Word(file, 0), 0u);
        EXPECT_EQ(Word(file, 2), 1u);
        EXPECT_EQ(Word(file, 4), 1u);
        EXPECT_EQ(file[6], c.size & 0xFF) << "256 is stored as 0";
        EXPECT_EQ(file[7], c.size & 0xFF);
        EXPECT_EQ(file[8], 0u);
        EXPECT_EQ(file[9], 0u);
        EXPECT_EQ(Word(file, 10), 1u);
        EXPECT_EQ(Word(file, 12), 32u);
        EXPECT_EQ(Dword(file, 14), 40u + imageBytes);
        EXPECT_EQ(Dword(file, 18), 22u);
        EXPECT_EQ(Dword(file, 22), 40u);
        EXPECT_EQ(Dword(file, 26), static_cast<unsigned>(c.size));
        EXPECT_EQ(Dword(file, 30), static_cast<unsigned>(c.size * 2));
        EXPECT_EQ(Word(file, 34), 1u);
        EXPECT_EQ(Word(file, 36), 32u);
        EXPECT_EQ(Dword(file, 38), 0u);
        EXPECT_EQ(Dword(file, 42), imageBytes);
        for (size_t at = 46; at < 62; ++at) EXPECT_EQ(file[at], 0u) << at;

        // Rows bottom first, as they are in memory, mask rows padded with zeros.
        size_t at = 62;
        for (int y = c.size - 1; y >= 0; --y, at += c.size * 4) {
            ASSERT_EQ(std::memcmp(&file[at], &colourBits[static_cast<size_t>(y) * c.size * 4], c.size * 4), 0)
                << "colour row " << y;
        }
        for (int y = c.size - 1; y >= 0; --y, at += maskRowOnDisk) {
            ASSERT_EQ(std::memcmp(&file[at], &maskBits[static_cast<size_t>(y) * c.maskRow], c.maskRow), 0)
                << "mask row " << y;
            for (unsigned pad = c.maskRow; pad < maskRowOnDisk; ++pad) ASSERT_EQ(file[at + pad], 0u);
        }

        HICON loaded = static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
        ASSERT_NE(loaded, nullptr);
        ICONINFO loadedInfo = {};
        ASSERT_TRUE(GetIconInfo(loaded, &loadedInfo));
        SIZE loadedSize = BitmapSize(loadedInfo.hbmColor);
        EXPECT_EQ(loadedSize.cx, c.size);
        EXPECT_EQ(loadedSize.cy, c.size);
        DeleteObject(loadedInfo.hbmColor);
        DeleteObject(loadedInfo.hbmMask);
        DestroyIcon(loaded);
        DestroyIcon(icon);
    }
}

TEST(CacheFiles, NoIconWritesNoFileAndLeavesTheOldOneAlone) {
    TempFolder folder;
    std::wstring path = folder / L"a.ico";
    SaveIconFile(nullptr, path.c_str());
    EXPECT_FALSE(FileExists(path));
    WriteText(path, "old");
    SaveIconFile(nullptr, path.c_str());
    EXPECT_EQ(ReadBytes(path), std::vector<unsigned char>({'o', 'l', 'd'}));
}

TEST(CacheFiles, CachePathsOfBothViewsAndTooLongPaths) {
    wchar_t out[260];
    ASSERT_TRUE(MakeItemCacheFilePath(out, L"C:\\pics", L"a.jpg", 1));
    EXPECT_STREQ(out, L"C:\\pics\\Zuv_CACHE\\a.jpg.Zuv.icon.ico");
    ASSERT_TRUE(MakeItemCacheFilePath(out, L"C:\\", L"a.jpg", 0));
    EXPECT_STREQ(out, L"C:\\Zuv_CACHE\\a.jpg.Zuv.list.ico");
    ASSERT_TRUE(MakeFolderPicturePath(out, L"C:\\pics", 1));
    EXPECT_STREQ(out, L"C:\\pics\\Zuv_CACHE\\Zuv_FOLDER.icon.ico");
    ASSERT_TRUE(MakeFolderPicturePath(out, L"C:\\pics", 0));
    EXPECT_STREQ(out, L"C:\\pics\\Zuv_CACHE\\Zuv_FOLDER.list.ico");
    std::wstring longName(230, L'n');
    EXPECT_FALSE(MakeItemCacheFilePath(out, L"C:\\pics", longName.c_str(), 1));
    EXPECT_STREQ(out, L"");
}

class FolderCache : public testing::Test {
protected:
    WorkerHost host{32};
    TempFolder folder;

    void SetUp() override {
        host.SetFolder(folder.path());
        MakeFolder(folder / L"Zuv_CACHE");
        MakeFolder(folder / L"sub");
        WriteText(folder / L"a.txt", "a");
        WriteText(folder / L"b.txt", "b");
        WriteText(folder / L"zuv_cache", "a file named like the cache folder");
        // The cache folder itself shown as an item, a folder, files.
        FillListView(host.list(), {L"sub", L"Zuv_CACHE", L"a.txt", L"b.txt", L"zuv_cache"});
        for (COLORREF c : {kYellow, kYellow, kRed, kGreen, kBlue}) AddSolidPicture(host.largeImages(), c);
        for (COLORREF c : {kYellow, kYellow, kBlue, kRed, kGreen}) AddSolidPicture(host.smallImages(), c);
    }
};

TEST_F(FolderCache, IconViewSaveWritesIconFilesOfFilesOnly) {
    WriteText(CacheFile(folder.path(), L"a.txt", false), "list file");
    WriteText(CacheFile(folder.path(), L"b.txt", true), "stale");
    iconView = 1;
    SaveFolderCache(host.window(), host.list(), host.largeImages(), host.smallImages(), folder.path().c_str());
    EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE"),
              std::vector<std::wstring>({L"a.txt.Zuv.icon.ico", L"a.txt.Zuv.list.ico", L"b.txt.Zuv.icon.ico"}));
    EXPECT_EQ(IconFileColour(CacheFile(folder.path(), L"a.txt", true)), kRed);
    EXPECT_EQ(IconFileColour(CacheFile(folder.path(), L"b.txt", true)), kGreen);
    EXPECT_EQ(ReadBytes(CacheFile(folder.path(), L"a.txt", false)),
              std::vector<unsigned char>({'l', 'i', 's', 't', ' ', 'f', 'i', 'l', 'e'}));
}

TEST_F(FolderCache, ListViewSaveTakesTheListViewsPictures) {
    iconView = 0;
    SaveFolderCache(host.window(), host.list(), host.largeImages(), host.smallImages(), folder.path().c_str());
    EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE"),
              std::vector<std::wstring>({L"a.txt.Zuv.list.ico", L"b.txt.Zuv.list.ico"}));
    EXPECT_EQ(IconFileColour(CacheFile(folder.path(), L"a.txt", false)), kBlue);
    iconView = 1;
}

TEST_F(FolderCache, ItemWithoutPictureLosesItsOldFile) {
    ImageList_Remove(host.largeImages(), 4);
    ImageList_Remove(host.largeImages(), 3);  // b.txt has no picture now
    WriteText(CacheFile(folder.path(), L"b.txt", true), "old");
    SaveFolderCache(host.window(), host.list(), host.largeImages(), host.smallImages(), folder.path().c_str());
    EXPECT_TRUE(FileExists(CacheFile(folder.path(), L"a.txt", true)));
    EXPECT_FALSE(FileExists(CacheFile(folder.path(), L"b.txt", true)));
}

TEST_F(FolderCache, EmptyFolderGetsAnEmptyCacheFolder) {
    TempFolder empty;
    FillListView(host.list(), {});
    SaveFolderCache(host.window(), host.list(), host.largeImages(), host.smallImages(), empty.path().c_str());
    EXPECT_TRUE(FolderExists(empty / L"Zuv_CACHE"));
    EXPECT_TRUE(FolderEntries(empty / L"Zuv_CACHE").empty());
}

TEST_F(FolderCache, DeletingAnItemsEntriesRemovesBothOfItsFilesOnly) {
    for (const wchar_t* name : {L"a.txt", L"b.txt"}) {
        WriteText(CacheFile(folder.path(), name, true), "x");
        WriteText(CacheFile(folder.path(), name, false), "x");
    }
    DeleteCacheEntries((folder / L"a.txt").c_str());
    EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE"),
              std::vector<std::wstring>({L"b.txt.Zuv.icon.ico", L"b.txt.Zuv.list.ico"}));
    DeleteCacheEntries((folder / L"b.txt").c_str());
    EXPECT_TRUE(FolderEntries(folder / L"Zuv_CACHE").empty());
    DeleteCacheEntries((folder / L"missing.txt").c_str());
    std::wstring tooLong = folder.path() + L"\\" + std::wstring(300, L'x');
    DeleteCacheEntries(tooLong.c_str());
}

TEST_F(FolderCache, FolderPictureFromTheFirstSelectedFile) {
    WriteIconFile(folder / L"Zuv_CACHE\\Zuv_FOLDER.icon.ico", 32, kYellow);
    WriteText(folder / L"Zuv_CACHE\\Zuv_FOLDER.list.ico", "list picture");
    SelectListViewItems(host.list(), {3, 4});
    iconView = 1;
    SetFolderPicture();
    EXPECT_EQ(IconFileColour(folder / L"Zuv_CACHE\\Zuv_FOLDER.icon.ico"), kGreen);
    EXPECT_EQ(ReadBytes(folder / L"Zuv_CACHE\\Zuv_FOLDER.list.ico").size(), 12u);

    iconView = 0;
    SelectListViewItems(host.list(), {2});
    SetFolderPicture();
    EXPECT_EQ(IconFileColour(folder / L"Zuv_CACHE\\Zuv_FOLDER.list.ico"), kBlue);
    iconView = 1;
}

TEST_F(FolderCache, FolderPictureFromSelectedFolders) {
    TempFolder other;
    host.SetFolder(other.path());
    MakeFolder(other / L"with");
    MakeFolder(other / L"without");
    WriteText(other / L"c.txt", "c");
    MakeFolder(other / L"with\\Zuv_CACHE");
    WriteIconFile(other / L"with\\Zuv_CACHE\\Zuv_FOLDER.icon.ico", 32, kBlue);
    FillListView(host.list(), {L"with", L"without", L"c.txt"});
    ImageList_RemoveAll(host.largeImages());
    for (COLORREF c : {kYellow, kYellow, kRed}) AddSolidPicture(host.largeImages(), c);
    std::wstring picture = other / L"Zuv_CACHE\\Zuv_FOLDER.icon.ico";

    SelectListViewItems(host.list(), {0});
    SetFolderPicture();
    EXPECT_EQ(ReadBytes(picture), ReadBytes(other / L"with\\Zuv_CACHE\\Zuv_FOLDER.icon.ico"));

    SelectListViewItems(host.list(), {1});
    SetFolderPicture();
    EXPECT_FALSE(FileExists(picture)) << "a folder without picture leaves the current folder without one";
    EXPECT_TRUE(FolderExists(other / L"Zuv_CACHE"));

    SelectListViewItems(host.list(), {0, 1});
    SetFolderPicture();
    EXPECT_FALSE(FileExists(picture)) << "the last selected folder decides";

    SelectListViewItems(host.list(), {1, 0, 2});
    SetFolderPicture();
    EXPECT_EQ(IconFileColour(picture), kRed) << "a selected file after the folders decides";

    SelectListViewItems(host.list(), {});
    SetFolderPicture();
    EXPECT_EQ(IconFileColour(picture), kRed) << "nothing selected changes nothing";
}

namespace {

DWORD WINAPI WaitForEvent(LPVOID event) {
    WaitForSingleObject(static_cast<HANDLE>(event), 30000);
    return 1;
}

}  // namespace

TEST_F(FolderCache, SaveCommandWarnsWhileTheWorkerRunsAndSavesAfterwards) {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    workerThread = CreateThread(nullptr, 0, WaitForEvent, release, 0, nullptr);
    {
        DialogAnswerer answerer;
        answerer.Push(DialogAnswer::Press(IDOK));
        SaveCacheCommand();
        ASSERT_EQ(answerer.records().size(), 1u);
        EXPECT_EQ(answerer.records()[0].caption, L"Zuv");
        EXPECT_EQ(answerer.records()[0].message, L"アイコン作成中です。");
        EXPECT_EQ(answerer.records()[0].icon, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_TRUE(FolderEntries(folder / L"Zuv_CACHE").empty());
    }
    SetEvent(release);
    WaitForSingleObject(workerThread, 10000);
    {
        DialogAnswerer answerer;
        SaveCacheCommand();
        EXPECT_TRUE(answerer.records().empty());
        EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE"),
                  std::vector<std::wstring>({L"a.txt.Zuv.icon.ico", L"b.txt.Zuv.icon.ico"}));
    }
    CloseHandle(workerThread);
    workerThread = nullptr;
    CloseHandle(release);
}

TEST_F(FolderCache, FolderPictureCommandMakesThePicture) {
    SelectListViewItems(host.list(), {2});
    FolderPictureCommand();
    EXPECT_EQ(IconFileColour(folder / L"Zuv_CACHE\\Zuv_FOLDER.icon.ico"), kRed);
}

namespace {

// FNV-1a over the names and bytes of the files of a folder, in name order.
unsigned long long FolderDigest(const std::wstring& path) {
    unsigned long long h = 14695981039346656037ull;
    auto mix = [&h](const void* data, size_t size) {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
    };
    for (const std::wstring& name : FolderEntries(path)) {
        mix(name.data(), name.size() * sizeof(wchar_t));
        std::vector<unsigned char> bytes = ReadBytes(path + L"\\" + name);
        mix(bytes.data(), bytes.size());
    }
    return h;
}

// A tile of its own for picture i: a pattern of i on a picture whose height
// varies with i, so that colour rows and masks differ from item to item.
void AddPatternPicture(HIMAGELIST images, int size, int i) {
    int height = size / 2 + (i * 7) % (size / 2);
    std::vector<Pixel> pixels(static_cast<size_t>(size) * height);
    for (size_t k = 0; k < pixels.size(); ++k) {
        pixels[k] = MakePixel((k + i) & 0xFF, (i * 13) & 0xFF, (k / size + i * 3) & 0xFF, 0);
    }
    HBITMAP picture = MakeBitmapFromPixels(size, height, pixels);
    HBITMAP mask = MakeTileMask(picture, size);
    HBITMAP tile = ScaleToTile(picture, size, 0);
    ImageList_Add(images, tile, mask);
    DeleteObject(tile);
    DeleteObject(mask);
}

}  // namespace

// The files of a folder save, down to the byte, as they were written when
// every item's picture was looked up by reading the list view from its top:
// the digest was recorded from that save.
TEST(FolderCacheSave, FilesOfAFewHundredItemsAreThoseOfTheLookupByName) {
    const int kItems = 300;
    const int kSize = 100;  // mask rows of 14 bytes, written as 16
    WorkerHost host{kSize};
    TempFolder folder;
    host.SetFolder(folder.path());
    MakeFolder(folder / L"sub");
    MakeFolder(folder / L"Zuv_CACHE");
    std::vector<std::wstring> names = {L"sub", L"Zuv_CACHE"};
    for (int i = 2; i < kItems; ++i) {
        wchar_t name[32];
        // Now and then a name that differs from an earlier one in case only:
        // it takes that earlier item's picture.
        if (i % 50 == 7) {
            swprintf(name, 32, L"F%03d.TXT", i - 5);
        } else {
            swprintf(name, 32, L"f%03d.txt", i);
        }
        names.push_back(name);
    }
    FillListView(host.list(), names);
    // The last three items have no picture: their old files go.
    for (int i = 0; i < kItems - 3; ++i) AddPatternPicture(host.largeImages(), kSize, i);
    WriteText(CacheFile(folder.path(), L"f299.txt", true), "old");
    WriteText(CacheFile(folder.path(), L"f298.txt", false), "list view file");
    WriteText(CacheFile(folder.path(), L"f010.txt", true), "stale");
    iconView = 1;

    SaveFolderCache(host.window(), host.list(), host.largeImages(), host.smallImages(), folder.path().c_str());

    std::vector<std::wstring> files = FolderEntries(folder / L"Zuv_CACHE");
    EXPECT_EQ(files.size(), static_cast<size_t>(kItems - 2 - 6 - 3 + 1));
    EXPECT_FALSE(FileExists(CacheFile(folder.path(), L"f299.txt", true)));
    EXPECT_EQ(ReadBytes(CacheFile(folder.path(), L"f298.txt", false)).size(), 14u);
    EXPECT_EQ(FolderDigest(folder / L"Zuv_CACHE"), 0xcd2fdd5681cf37bdull) << std::hex << FolderDigest(folder / L"Zuv_CACHE");
}

namespace {

// The bytes SaveIconFile writes for picture 0 of an image list.
std::vector<unsigned char> SavedBytes(HIMAGELIST images, const std::wstring& path) {
    HICON icon = ImageList_GetIcon(images, 0, ILD_NORMAL);
    SaveIconFile(icon, path.c_str());
    if (icon) DestroyIcon(icon);
    return ReadBytes(path);
}

}  // namespace

// A cache file read straight into its bitmaps puts the same picture into the
// image list as loading it as an icon and adding that; saved again, both give
// the file's own bytes.
TEST(CacheFiles, CacheFileReadAsBitmapsGivesTheIconsPicture) {
    TempFolder folder;
    for (int size : {48, 100, 256}) {
        for (bool withAlpha : {false, true}) {
            SCOPED_TRACE(testing::Message() << size << (withAlpha ? " with alpha" : ""));
            std::wstring path = folder / L"cached.ico";
            HICON original = ImageListTileIcon(size, withAlpha);
            SaveIconFile(original, path.c_str());
            DestroyIcon(original);
            std::vector<unsigned char> written = ReadBytes(path);

            HIMAGELIST direct = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 4);
            HBITMAP colour = nullptr;
            HBITMAP mask = nullptr;
            ASSERT_TRUE(LoadCacheIconBitmaps(path.c_str(), size, &colour, &mask));
            ASSERT_EQ(ImageList_Add(direct, colour, mask), 0);
            DeleteObject(colour);
            DeleteObject(mask);

            HIMAGELIST throughIcon = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 4);
            HICON loaded = static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
            ASSERT_NE(loaded, nullptr);
            ASSERT_EQ(ImageList_ReplaceIcon(throughIcon, -1, loaded), 0);
            DestroyIcon(loaded);

            EXPECT_EQ(SavedBytes(direct, folder / L"direct.ico"), written);
            EXPECT_EQ(SavedBytes(throughIcon, folder / L"icon.ico"), written);
            ImageList_Destroy(direct);
            ImageList_Destroy(throughIcon);
        }
    }
}

// Anything but this program's own layout at the asked size is left to the
// icon loader.
TEST(CacheFiles, OnlyTheProgramsOwnCacheLayoutIsReadAsBitmaps) {
    TempFolder folder;
    std::wstring path = folder / L"cached.ico";
    HICON icon = ImageListTileIcon(48);
    SaveIconFile(icon, path.c_str());
    DestroyIcon(icon);
    const std::vector<unsigned char> good = ReadBytes(path);
    TCacheIconLayout layout = {};
    ASSERT_TRUE(ParseCacheIconFile(good.data(), good.size(), 48, &layout));
    EXPECT_EQ(layout.colourOffset, 62u);
    EXPECT_EQ(layout.maskOffset, 62u + 48 * 48 * 4);

    struct {
        const char* what;
        std::function<void(std::vector<unsigned char>&)> change;
    } cases[] = {
        {"two images", [](std::vector<unsigned char>& b) { b[4] = 2; }},
        {"not an icon", [](std::vector<unsigned char>& b) { b[2] = 2; }},
        {"24 bits", [](std::vector<unsigned char>& b) { b[12] = 24; }},
        {"entry of another size", [](std::vector<unsigned char>& b) { b[6] = 32; }},
        {"header of another width", [](std::vector<unsigned char>& b) { b[26] = 32; }},
        {"compressed", [](std::vector<unsigned char>& b) { b[38] = 1; }},
        {"image bytes disagree", [](std::vector<unsigned char>& b) { b[14] += 4; }},
        {"offset past the end", [](std::vector<unsigned char>& b) { b[20] = 0x7F; }},
        {"offset inside the directory", [](std::vector<unsigned char>& b) { b[18] = 4; }},
        {"cut short", [](std::vector<unsigned char>& b) { b.resize(b.size() - 1); }},
        {"header only", [](std::vector<unsigned char>& b) { b.resize(10); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<unsigned char> bytes = good;
        c.change(bytes);
        GuardedBytes guarded(bytes);
        EXPECT_FALSE(ParseCacheIconFile(guarded.data(), guarded.size(), 48, &layout));
    }
    EXPECT_FALSE(ParseCacheIconFile(good.data(), good.size(), 64, &layout)) << "another thumbnail size";

    HBITMAP colour = nullptr;
    HBITMAP mask = nullptr;
    EXPECT_FALSE(LoadCacheIconBitmaps(path.c_str(), 64, &colour, &mask));
    EXPECT_EQ(colour, nullptr);
    EXPECT_FALSE(LoadCacheIconBitmaps((folder / L"missing.ico").c_str(), 48, &colour, &mask));
}

// Only a file that SaveIconFile would write again with the same bytes counts
// as written by it: the layout alone lets other fields and padding differ.
TEST(CacheFiles, FileAsWrittenHasZeroInEveryFreeFieldAndNothingAfterTheMask) {
    TempFolder folder;
    // Both sizes have mask rows that are padded in the file (6 and 14 bytes).
    for (int size : {48, 100}) {
        SCOPED_TRACE(size);
        std::wstring path = folder / L"cached.ico";
        HICON icon = ImageListTileIcon(size, true);
        SaveIconFile(icon, path.c_str());
        DestroyIcon(icon);
        const std::vector<unsigned char> good = ReadBytes(path);
        ASSERT_TRUE(CacheIconFileIsAsWritten(good.data(), good.size(), size));
        const size_t maskStart = 62 + static_cast<size_t>(size) * size * 4;
        const size_t maskRow = ((size + 31) / 32) * 4;

        struct {
            const char* what;
            std::function<void(std::vector<unsigned char>&)> change;
            bool asWritten;
        } cases[] = {
            {"a pixel of another colour", [](std::vector<unsigned char>& b) { b[62 + 5] ^= 0x11; }, true},
            {"a mask bit", [&](std::vector<unsigned char>& b) { b[maskStart] ^= 0x80; }, true},
            {"colour count", [](std::vector<unsigned char>& b) { b[8] = 16; }, false},
            {"reserved byte of the entry", [](std::vector<unsigned char>& b) { b[9] = 1; }, false},
            {"image size in the header", [](std::vector<unsigned char>& b) { b[42] += 4; }, false},
            {"resolution", [](std::vector<unsigned char>& b) { b[46] = 1; }, false},
            {"colours used", [](std::vector<unsigned char>& b) { b[54] = 1; }, false},
            {"colours important", [](std::vector<unsigned char>& b) { b[61] = 1; }, false},
            {"a byte after the mask", [](std::vector<unsigned char>& b) { b.push_back(0); }, false},
            {"mask padding of the last row",
             [&](std::vector<unsigned char>& b) { b[maskStart + maskRow * (size - 1) + maskRow - 1] |= 1; },
             false},
            {"another image offset", [](std::vector<unsigned char>& b) {
                 b.insert(b.begin() + 22, 2, 0);
                 b[18] = 24;
             }, false},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            std::vector<unsigned char> bytes = good;
            c.change(bytes);
            GuardedBytes guarded(bytes);
            EXPECT_EQ(CacheIconFileIsAsWritten(guarded.data(), guarded.size(), size), c.asWritten);
        }
        EXPECT_FALSE(CacheIconFileIsAsWritten(good.data(), good.size(), size + 1)) << "another thumbnail size";

        // Read as bitmaps, the stamp names the file only when it is as written.
        HBITMAP colour = nullptr;
        HBITMAP mask = nullptr;
        TCacheFileStamp stamp;
        ASSERT_TRUE(LoadCacheIconBitmaps(path.c_str(), size, &colour, &mask, &stamp));
        DeleteObject(colour);
        DeleteObject(mask);
        EXPECT_EQ(stamp.path, path);
        EXPECT_EQ(stamp.size, good.size());
        std::vector<unsigned char> padded = good;
        padded[46] = 1;
        WriteBytes(path, padded);
        ASSERT_TRUE(LoadCacheIconBitmaps(path.c_str(), size, &colour, &mask, &stamp));
        DeleteObject(colour);
        DeleteObject(mask);
        EXPECT_TRUE(stamp.path.empty());
    }
}
