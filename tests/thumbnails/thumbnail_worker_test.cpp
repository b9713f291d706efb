// The thumbnail worker end to end in temporary folders, around a stand-in
// main window with a visible and a hidden list view.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "shell/folder_listing.h"
#include "shell/main_state.h"
#include "support/gui_levels.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/cache_files.h"
#include "thumbnails/thumbnail_worker.h"
#include "thumbnails/tiles.h"
#include "thumbnails/worker_params.h"

namespace {

const int kSize = 48;
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kCyan = RGB(0, 255, 255);

std::wstring CacheFile(const std::wstring& folder, const std::wstring& name, bool iconViewFile) {
    return folder + L"\\Zuv_CACHE\\" + name + (iconViewFile ? L".Zuv.icon.ico" : L".Zuv.list.ico");
}

void WriteIconFile(const std::wstring& path, int size, COLORREF colour) {
    MakeFolder(path.substr(0, path.find_last_of(L'\\')));
    HICON icon = MakeSolidIcon(size, colour);
    SaveIconFile(icon, path.c_str());
    DestroyIcon(icon);
}

// The colour at the centre of the picture an icon file holds; CLR_INVALID
// when there is no loadable icon.
COLORREF IconFileColour(const std::wstring& path) {
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!icon) return CLR_INVALID;
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    COLORREF colour = PixelColour(PixelAt(info.hbmColor, kSize / 2, kSize / 2));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    return colour;
}

class Worker : public testing::Test {
protected:
    WorkerHost host{kSize};
    TempFolder folder;

    void SetUp() override { host.SetFolder(folder.path()); }

    // Files and folders on disk, listed into the visible list view in the
    // order given (folders first, as the listing orders them).
    void MakeItems(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& files) {
        std::vector<std::wstring> names;
        for (const std::wstring& name : folders) {
            MakeFolder(folder / name);
            names.push_back(name);
        }
        for (const std::wstring& name : files) {
            WriteText(folder / name, "some text\r\n");
            names.push_back(name);
        }
        FillListView(host.list(), names);
    }

    int ImageCount() { return ImageList_GetImageCount(host.images()); }
    COLORREF Colour(int index) { return ImageListColour(host.images(), index, kSize / 2, kSize / 2); }

    // Messages of the worker to the visible list view: the highest item whose
    // text it read, and the items it asked to redraw one by one.
    int highestTextRead = -1;
    std::vector<int> redrawnItems;
    void RecordWorkerMessages(std::function<void(UINT, WPARAM, LPARAM)> also = nullptr) {
        host.SetListHook([this, also](UINT message, WPARAM wParam, LPARAM lParam, bool fromWorker) {
            if (!fromWorker) return;
            if (message == LVM_GETITEMTEXTW) highestTextRead = std::max(highestTextRead, static_cast<int>(wParam));
            if (message == LVM_REDRAWITEMS && wParam == static_cast<WPARAM>(lParam)) {
                redrawnItems.push_back(static_cast<int>(wParam));
            }
            if (also) also(message, wParam, lParam);
        });
    }
};

}  // namespace

TEST_F(Worker, EveryItemGetsItsPictureInItemOrder) {
    // Cached files, folders with and without a picture, a picture that is no
    // icon, one of another size, a Flash file, plain files.
    MakeItems({L"pictured", L"plain", L"broken", L"small"}, {L"a.txt", L"b.swf", L"c.txt", L"d.txt"});
    WriteIconFile(folder / L"pictured\\Zuv_CACHE\\Zuv_FOLDER.icon.ico", kSize, kBlue);
    MakeFolder(folder / L"broken\\Zuv_CACHE");
    WriteText(folder / L"broken\\Zuv_CACHE\\Zuv_FOLDER.icon.ico", "no icon");
    WriteIconFile(folder / L"small\\Zuv_CACHE\\Zuv_FOLDER.icon.ico", 16, kCyan);
    WriteIconFile(CacheFile(folder.path(), L"a.txt", true), kSize, kRed);
    WriteIconFile(CacheFile(folder.path(), L"d.txt", true), kSize, kGreen);
    RecordWorkerMessages();

    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageCount(), 8);
    EXPECT_EQ(Colour(0), kBlue) << "folder picture";
    EXPECT_EQ(Colour(3), kCyan) << "folder picture of another size, fitted to this one";
    EXPECT_EQ(Colour(4), kRed) << "cache file";
    EXPECT_EQ(Colour(7), kGreen) << "cache file after a Flash file and a plain file";
    for (int i : {1, 2, 5, 6}) {
        EXPECT_NE(Colour(i), kBlue) << i;
        EXPECT_NE(Colour(i), kRed) << i;
        EXPECT_NE(Colour(i), kGreen) << i;
    }
    EXPECT_EQ(redrawnItems, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(Worker, ListViewTakesItsOwnFolderPictureIntoItsOwnImageList) {
    MakeItems({L"pictured"}, {});
    WriteIconFile(folder / L"pictured\\Zuv_CACHE\\Zuv_FOLDER.list.ico", kSize, kYellow);
    WriteIconFile(folder / L"pictured\\Zuv_CACHE\\Zuv_FOLDER.icon.ico", kSize, kBlue);
    iconView = 0;
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageList_GetImageCount(host.smallImages()), 1);
    EXPECT_EQ(ImageListColour(host.smallImages(), 0, 2, 2), kYellow);
    EXPECT_EQ(ImageList_GetImageCount(host.largeImages()), 0);
    iconView = 1;
}

TEST_F(Worker, PlainProgramHasNoPdfStep) {
    MakeItems({}, {L"doc.pdf"});
    WriteText(folder / L"doc.pdf",
              "%PDF-1.4\n3 0 obj << /Type /Page /MediaBox [0 0 200 100] >> endobj\n%%EOF\n");
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageCount(), 1);
    EXPECT_FALSE(ImageListMaskBit(host.images(), 0, kSize / 2, 2)) << "no fitted page tile";
}

TEST_F(Worker, CompletedRunWithAutoSaveWritesOneCacheFilePerFile) {
    MakeItems({L"sub"}, {L"a.txt", L"b.txt"});
    workerParams.cacheAutoSave = 1;
    ASSERT_TRUE(host.Run());
    EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE"),
              std::vector<std::wstring>({L"a.txt.Zuv.icon.ico", L"b.txt.Zuv.icon.ico"}));
    EXPECT_FALSE(FolderExists(folder / L"sub\\Zuv_CACHE"));

    iconView = 0;
    ASSERT_TRUE(host.Run());
    EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE"),
              std::vector<std::wstring>({L"a.txt.Zuv.icon.ico", L"a.txt.Zuv.list.ico", L"b.txt.Zuv.icon.ico",
                                         L"b.txt.Zuv.list.ico"}));
    iconView = 1;
}

TEST_F(Worker, EmptyFolderGetsAnEmptyCacheFolderOnlyWithAutoSave) {
    FillListView(host.list(), {});
    ASSERT_TRUE(host.Run());
    EXPECT_FALSE(FolderExists(folder / L"Zuv_CACHE"));
    workerParams.cacheAutoSave = 1;
    ASSERT_TRUE(host.Run());
    EXPECT_TRUE(FolderExists(folder / L"Zuv_CACHE"));
    EXPECT_TRUE(FolderEntries(folder / L"Zuv_CACHE").empty());
}

TEST_F(Worker, AutoSaveSwitchedOnDuringARunIsFollowed) {
    MakeItems({}, {L"a.txt", L"b.txt"});
    RecordWorkerMessages([](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == LVM_REDRAWITEMS && wParam == 0 && lParam == 0) workerParams.cacheAutoSave = 1;
    });
    ASSERT_TRUE(host.Run());
    EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE").size(), 2u);
}

TEST_F(Worker, NextVisitTakesPicturesFromTheCacheUnlessIgnored) {
    MakeItems({}, {L"a.txt", L"b.txt"});
    workerParams.cacheAutoSave = 1;
    ASSERT_TRUE(host.Run());
    COLORREF rendered = Colour(1);
    ASSERT_NE(rendered, kRed);
    // A cache picture the renderer would never draw proves where it came from.
    WriteIconFile(CacheFile(folder.path(), L"b.txt", true), kSize, kRed);

    workerParams.generation = 5;
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageCount(), 2);
    EXPECT_EQ(Colour(1), kRed);
    EXPECT_EQ(Colour(0), rendered);

    iconView = 0;
    ASSERT_TRUE(host.Run());
    EXPECT_NE(ImageListColour(host.smallImages(), 1, kSize / 2, kSize / 2), kRed)
        << "the list view reads only the list-view files";
    iconView = 1;

    ASSERT_TRUE(host.Run(1, 1));
    EXPECT_NE(Colour(1), kRed) << "cache ignored";
    COLORREF saved = IconFileColour(CacheFile(folder.path(), L"b.txt", true));
    ASSERT_NE(saved, CLR_INVALID);
    EXPECT_NE(saved, kRed) << "and written anew";
}

namespace {

struct TFileState {
    std::vector<unsigned char> bytes;
    FILETIME lastWrite;
};

TFileState FileState(const std::wstring& path) {
    TFileState state = {ReadBytes(path), {}};
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) state.lastWrite = data.ftLastWriteTime;
    return state;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return CompareFileTime(&a, &b) == 0;
}

}  // namespace

// The save after a run whose pictures came from unchanged cache files leaves
// those files as they are, bytes and time; a file that changed after it was
// read, one of another size and one that was missing are written anew, and
// every file holds what a save that rewrites all of them writes.
TEST_F(Worker, CachedRevisitWithAutoSaveLeavesUnchangedCacheFilesAlone) {
    const std::vector<std::wstring> files = {L"a.txt", L"b.txt", L"c.txt", L"d.txt", L"e.txt", L"f.txt"};
    MakeItems({L"sub"}, files);
    workerParams.cacheAutoSave = 1;
    ASSERT_TRUE(host.Run());
    // An old time that no write in this test can give again.
    const SYSTEMTIME old = {2001, 1, 1, 1, 12, 0, 0, 0};
    std::map<std::wstring, TFileState> first;
    for (const std::wstring& name : files) {
        ASSERT_TRUE(SetLocalWriteTime(CacheFile(folder.path(), name, true), old)) << ToUtf8(name);
        first[name] = FileState(CacheFile(folder.path(), name, true));
        ASSERT_FALSE(first[name].bytes.empty());
    }
    WriteIconFile(CacheFile(folder.path(), L"c.txt", true), 16, kRed);  // another size: loaded as an icon
    DeleteFileW(CacheFile(folder.path(), L"d.txt", true).c_str());
    // Once every picture is in (the redraw of the last item, not that of all
    // items at the start), b.txt's file changes behind the run's back.
    RecordWorkerMessages([&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == LVM_REDRAWITEMS && wParam > 0 && lParam == static_cast<LPARAM>(files.size())) {
            WriteIconFile(CacheFile(folder.path(), L"b.txt", true), kSize, kRed);
        }
    });
    workerParams.generation = 3;
    ASSERT_TRUE(host.Run());
    host.SetListHook(nullptr);
    ASSERT_EQ(ImageCount(), 7);

    for (const std::wstring& name : files) {
        SCOPED_TRACE(ToUtf8(name));
        TFileState now = FileState(CacheFile(folder.path(), name, true));
        bool readUnchanged = name == L"a.txt" || name == L"e.txt" || name == L"f.txt";
        EXPECT_EQ(SameTime(now.lastWrite, first[name].lastWrite), readUnchanged);
        if (name != L"c.txt") {
            EXPECT_EQ(now.bytes, first[name].bytes);
        }
    }
    EXPECT_EQ(FileState(CacheFile(folder.path(), L"c.txt", true)).bytes.size(), first[L"a.txt"].bytes.size())
        << "written at this run's size";

    // The files left alone are what a save of every item writes.
    std::map<std::wstring, TFileState> kept;
    for (const std::wstring& name : files) kept[name] = FileState(CacheFile(folder.path(), name, true));
    SaveFolderCache(host.window(), host.list(), host.largeImages(), host.smallImages(), folder.path().c_str());
    for (const std::wstring& name : files) {
        SCOPED_TRACE(ToUtf8(name));
        TFileState now = FileState(CacheFile(folder.path(), name, true));
        EXPECT_FALSE(SameTime(now.lastWrite, first[name].lastWrite)) << "the key's save writes every file";
        EXPECT_EQ(now.bytes, kept[name].bytes);
    }

    // Without reading the cache, every file is written again.
    for (const std::wstring& name : files) ASSERT_TRUE(SetLocalWriteTime(CacheFile(folder.path(), name, true), old));
    ASSERT_TRUE(host.Run(1, 1));
    for (const std::wstring& name : files) {
        SCOPED_TRACE(ToUtf8(name));
        EXPECT_FALSE(SameTime(FileState(CacheFile(folder.path(), name, true)).lastWrite, first[name].lastWrite));
    }
}

TEST_F(Worker, CacheFileThatIsNoIconCountsAsAbsent) {
    MakeItems({}, {L"a.txt", L"b.txt"});
    MakeFolder(folder / L"Zuv_CACHE");
    WriteText(CacheFile(folder.path(), L"a.txt", true), "not an icon");
    WriteIconFile(CacheFile(folder.path(), L"b.txt", true), kSize, kGreen);
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageCount(), 2);
    EXPECT_EQ(Colour(1), kGreen);
}

TEST_F(Worker, CacheFileOfAnotherSizeIsLoadedAsAnIcon) {
    MakeItems({}, {L"a.txt", L"b.txt"});
    WriteIconFile(CacheFile(folder.path(), L"a.txt", true), 16, kRed);
    WriteIconFile(CacheFile(folder.path(), L"b.txt", true), kSize, kGreen);
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageCount(), 2);
    EXPECT_EQ(Colour(0), kRed);
    EXPECT_EQ(Colour(1), kGreen);
}

TEST_F(Worker, RebuildZeroReusesThePicturesOfUnchangedFileNames) {
    MakeItems({L"sub"}, {L"b.txt", L"c.txt", L"d.txt"});
    // The previous run's pictures, named by the hidden list view.
    FillListView(host.shadow(), {L"sub", L"a.txt", L"B.TXT", L"c.txt"});
    for (COLORREF c : {kCyan, kYellow, kRed, kGreen}) AddSolidPicture(host.images(), c);

    ASSERT_TRUE(host.Run(0));
    ASSERT_EQ(ImageCount(), 4);
    EXPECT_NE(Colour(0), kCyan) << "a folder never takes its earlier picture";
    EXPECT_EQ(Colour(1), kRed) << "names compare without regard to case";
    EXPECT_EQ(Colour(2), kGreen);
    EXPECT_NE(Colour(3), kYellow) << "a new name is rendered";
}

TEST_F(Worker, RebuildOneRendersEverythingAnew) {
    MakeItems({}, {L"a.txt"});
    FillListView(host.shadow(), {L"a.txt"});
    AddSolidPicture(host.images(), kRed);
    ASSERT_TRUE(host.Run(1));
    ASSERT_EQ(ImageCount(), 1);
    EXPECT_NE(Colour(0), kRed);
}

TEST_F(Worker, StopBeforeAnItemEndsTheRunAndEmptiesTheImageList) {
    MakeItems({}, {L"f0.txt", L"f1.txt", L"f2.txt", L"f3.txt", L"f4.txt", L"f5.txt"});
    FillListView(host.shadow(), {L"marker"});
    workerParams.cacheAutoSave = 1;
    int imagesAtStop = -1;
    RecordWorkerMessages([&](UINT message, WPARAM wParam, LPARAM) {
        if (message == LVM_REDRAWITEMS && wParam == 2) {
            imagesAtStop = ImageCount();
            workerStop = 1;
        }
    });
    ASSERT_TRUE(host.WaitForEnd(host.Start()));
    workerStop = 0;
    EXPECT_EQ(imagesAtStop, 3);
    EXPECT_EQ(highestTextRead, 2) << "no item after the stop was begun";
    EXPECT_EQ(ImageCount(), 0) << "a stopped run leaves nothing to reuse";
    EXPECT_FALSE(FolderExists(folder / L"Zuv_CACHE")) << "nothing saved";
    EXPECT_EQ(ListViewNames(host.shadow()), std::vector<std::wstring>({L"marker"}));
}

TEST_F(Worker, ChangedGenerationOrFolderSupersedesTheRunBeforeTheNextItem) {
    struct {
        const char* what;
        std::function<void(const std::wstring&)> change;
        bool superseded;
    } cases[] = {
        {"generation", [](const std::wstring&) { workerParams.generation = workerParams.generation + 1; }, true},
        {"folder", [](const std::wstring&) { lstrcpynW(currentDir, L"C:\\", kPathChars); }, true},
        {"same folder in other letter case",
         [](const std::wstring& f) {
             std::wstring upper = f;
             CharUpperW(&upper[0]);
             lstrcpynW(currentDir, upper.c_str(), kPathChars);
         },
         false},
    };
    MakeItems({}, {L"f0.txt", L"f1.txt", L"f2.txt", L"f3.txt", L"f4.txt"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.SetFolder(folder.path());
        FillListView(host.shadow(), {L"marker"});
        RemoveTree(folder / L"Zuv_CACHE");
        workerParams.cacheAutoSave = 1;
        highestTextRead = -1;
        redrawnItems.clear();
        RecordWorkerMessages([&](UINT message, WPARAM wParam, LPARAM) {
            if (message == LVM_REDRAWITEMS && wParam == 1) c.change(folder.path());
        });
        ASSERT_TRUE(host.Run());
        if (c.superseded) {
            EXPECT_EQ(highestTextRead, 1);
            EXPECT_EQ(ImageCount(), 2) << "the image list is left to the successor";
            EXPECT_FALSE(FolderExists(folder / L"Zuv_CACHE"));
            EXPECT_EQ(ListViewNames(host.shadow()), std::vector<std::wstring>({L"marker"}));
        } else {
            EXPECT_EQ(ImageCount(), 5);
            EXPECT_EQ(FolderEntries(folder / L"Zuv_CACHE").size(), 5u);
        }
    }
    host.SetListHook(nullptr);
}

TEST_F(Worker, AbandonedWorkerNeverAddsToItsSuccessorsList) {
    MakeItems({}, {L"f0.txt", L"f1.txt", L"f2.txt", L"f3.txt"});
    HANDLE first = nullptr;
    DWORD waited = 0;
    bool abandoned = false;
    RecordWorkerMessages([&](UINT message, WPARAM wParam, LPARAM) {
        if (message != LVM_GETITEMTEXTW || wParam != 2 || abandoned) return;
        abandoned = true;
        // The shell moves on while the worker waits for this very message:
        // it cannot end within the stop routine's wait.
        workerParams.generation = nextGeneration++;
        DWORD start = GetTickCount();
        StopThumbnailWorker();
        waited = GetTickCount() - start;
        // The successor has emptied the list and reached item 2 itself.
        ImageList_RemoveAll(host.images());
        AddSolidPicture(host.images(), kGreen);
        AddSolidPicture(host.images(), kGreen);
    });
    first = host.Start();
    ASSERT_TRUE(host.WaitForEnd(first));
    EXPECT_TRUE(abandoned);
    EXPECT_GE(waited, 90u);
    EXPECT_EQ(workerThread, nullptr);
    EXPECT_EQ(workerStop, 0);
    EXPECT_EQ(highestTextRead, 2) << "it ends at its next item";
    ASSERT_EQ(ImageCount(), 2) << "its picture of item 2 did not enter the successor's list";
    EXPECT_EQ(Colour(1), kGreen);
}

TEST_F(Worker, SaveAbandonedWhileItWaitsNeverWritesTheNextFoldersPictures) {
    // This folder's same.txt has a green cached picture; the folder the shell
    // moves to has a same.txt too, whose picture there is red.
    TempFolder next;
    WriteText(next / L"same.txt", "next");
    MakeItems({}, {L"same.txt"});
    WriteIconFile(CacheFile(folder.path(), L"same.txt", true), kSize, kGreen);
    workerParams.cacheAutoSave = 1;
    // The worker reads item 0's text once for its picture, then once in the
    // save, which looks the picture up by the names it read.
    for (int movedAt : {2}) {
        SCOPED_TRACE(testing::Message() << "moved during text read " << movedAt);
        host.SetFolder(folder.path());
        FillListView(host.list(), {L"same.txt"});
        int reads = 0;
        RecordWorkerMessages([&](UINT message, WPARAM wParam, LPARAM) {
            if (message != LVM_GETITEMTEXTW || wParam != 0 || ++reads != movedAt) return;
            workerParams.generation = nextGeneration++;
            StopThumbnailWorker();
            host.SetFolder(next.path());
            FillListView(host.list(), {L"same.txt"});
            ImageList_RemoveAll(host.images());
            AddSolidPicture(host.images(), kRed);
        });
        ASSERT_TRUE(host.WaitForEnd(host.Start()));
        EXPECT_EQ(reads, movedAt);
        EXPECT_EQ(IconFileColour(CacheFile(folder.path(), L"same.txt", true)), kGreen)
            << "this folder's cache file was replaced or deleted";
        EXPECT_FALSE(FolderExists(next / L"Zuv_CACHE"));
    }
    host.SetListHook(nullptr);
}

TEST_F(Worker, NamesRelistedAfterTheRunWasSupersededAreNotUsedForReuse) {
    if (FolderListingIsPlaceholder()) GTEST_SKIP() << "the folder listing still lists nothing";
    // The first run is in a folder holding r.txt. While it relists the hidden
    // list view, the shell moves to a folder holding q.txt (cached red) and
    // r.txt; that folder's run adds q.txt's picture and is superseded there
    // by a change to the folder's files.
    TempFolder next;
    WriteText(next / L"q.txt", "q");
    WriteText(next / L"r.txt", "r");
    WriteIconFile(CacheFile(next.path(), L"q.txt", true), kSize, kRed);
    MakeItems({}, {L"r.txt"});
    bool moved = false;
    bool successorEnded = false;
    host.SetShadowHook([&](UINT, WPARAM, LPARAM, bool fromWorker) {
        if (!fromWorker || moved) return;
        moved = true;
        workerParams.generation = nextGeneration++;
        StopThumbnailWorker();
        host.SetFolder(next.path());
        FillListView(host.list(), {L"q.txt", L"r.txt"});
        RecordWorkerMessages([](UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == LVM_REDRAWITEMS && wParam == 0 && lParam == 0) workerParams.generation = nextGeneration++;
        });
        successorEnded = host.WaitForEnd(host.Start());
        host.SetListHook(nullptr);
    });
    ASSERT_TRUE(host.WaitForEnd(host.Start()));
    host.SetShadowHook(nullptr);
    ASSERT_TRUE(moved);
    ASSERT_TRUE(successorEnded);
    ASSERT_EQ(ImageCount(), 1);
    ASSERT_EQ(Colour(0), kRed);

    // The restart after the change reuses pictures by name.
    StopThumbnailWorker();
    ASSERT_TRUE(host.Run(0));
    ASSERT_EQ(ImageCount(), 2);
    EXPECT_EQ(Colour(0), kRed);
    EXPECT_NE(Colour(1), kRed) << "r.txt got q.txt's picture";
}

TEST_F(Worker, WorkerAbandonedAtItsStartLeavesItsSuccessorsPicturesAlone) {
    MakeItems({}, {L"f0.txt", L"f1.txt", L"f2.txt"});
    bool held = false;
    HANDLE successor = nullptr;
    bool successorEnded = false;
    RecordWorkerMessages([&](UINT message, WPARAM, LPARAM) {
        if (message != LVM_GETITEMCOUNT || held) return;
        held = true;
        // The first worker waits for the item count while the shell stops
        // it, starts the next worker and lets that one finish.
        workerParams.generation = nextGeneration++;
        StopThumbnailWorker();
        successor = host.Start();
        successorEnded = host.WaitForEnd(successor);
    });
    HANDLE first = host.Start();
    ASSERT_TRUE(host.WaitForEnd(first));
    ASSERT_TRUE(held);
    ASSERT_TRUE(successorEnded);
    EXPECT_EQ(ImageCount(), 3) << "the abandoned worker emptied the list its successor had filled";
}

// How many of the image lists whose picture bitmaps are given still exist.
int ListsAlive(const std::vector<HBITMAP>& pictureBitmaps) {
    int alive = 0;
    for (HBITMAP bitmap : pictureBitmaps) alive += GetObjectType(bitmap) == OBJ_BITMAP;
    return alive;
}

HBITMAP PictureBitmapOf(HIMAGELIST images) {
    IMAGEINFO info = {};
    return ImageList_GetImageInfo(images, 0, &info) ? info.hbmImage : nullptr;
}

TEST_F(Worker, ListsGivenUpWhileAnAbandonedWorkerRunsGoWhenItEndsAndNothingWaits) {
    MakeItems({}, {L"f0.txt", L"f1.txt", L"f2.txt", L"f3.txt"});
    // The first worker fills a list of the test's own, as after the values
    // command it would still fill the lists the shell has just given up.
    HIMAGELIST own = ImageList_Create(kSize, kSize, ILC_COLOR32 | ILC_MASK, 4, 4);
    ASSERT_NE(own, nullptr);
    HIMAGELIST shellLarge = workerParams.imageListLarge;
    workerParams.imageListLarge = own;
    HANDLE first = nullptr;
    HANDLE second = nullptr;
    int phase = 0;
    std::vector<HBITMAP> retired;
    int aliveWhenRetired = -1, aliveAfterFirst = -1;
    int runningWhenRetired = -1, runningAfterFirst = -1;
    bool firstEnded = false;
    RecordWorkerMessages([&](UINT message, WPARAM wParam, LPARAM) {
        if (message != LVM_GETITEMTEXTW) return;
        if (phase == 0 && wParam == 2) {
            phase = 1;
            // The first worker waits for this very answer while the shell
            // changes the sizes again and again: many more lists are given
            // up than any fixed store could hold, and none of it may wait.
            workerParams.generation = nextGeneration++;
            StopThumbnailWorker();
            retired.push_back(PictureBitmapOf(own));
            RetireImageList(own);
            for (int i = 0; i < 80; ++i) {
                HIMAGELIST list = ImageList_Create(kSize, kSize, ILC_COLOR32 | ILC_MASK, 1, 1);
                AddSolidPicture(list, kBlue);
                retired.push_back(PictureBitmapOf(list));
                RetireImageList(list);
            }
            aliveWhenRetired = ListsAlive(retired);
            runningWhenRetired = RunningWorkerCount();
            workerParams.imageListLarge = shellLarge;
            second = host.Start();
        } else if (phase == 1) {
            // The second worker waits here while the first one ends.
            phase = 2;
            firstEnded = host.WaitForEnd(first);
            PumpMessages();
            aliveAfterFirst = ListsAlive(retired);
            runningAfterFirst = RunningWorkerCount();
        }
    });
    first = host.Start();
    ASSERT_TRUE(host.WaitForEnd(first));
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(host.WaitForEnd(second));
    host.SetListHook(nullptr);
    ASSERT_EQ(phase, 2);
    EXPECT_TRUE(firstEnded);
    EXPECT_EQ(runningWhenRetired, 1) << "the abandoned worker had not ended";
    EXPECT_EQ(aliveWhenRetired, 81) << "lists were destroyed while the abandoned worker ran";
    EXPECT_EQ(runningAfterFirst, 1) << "the second worker was still running";
    EXPECT_EQ(aliveAfterFirst, 0) << "lists outlived the worker that could reach them";
    EXPECT_EQ(ImageCount(), 4);
}

TEST_F(Worker, CompletedRunRelistsTheHiddenListView) {
    if (FolderListingIsPlaceholder()) GTEST_SKIP() << "the folder listing still lists nothing";
    MakeItems({L"sub"}, {L"a.txt", L"b.txt"});
    FillListView(host.shadow(), {L"old"});
    ASSERT_TRUE(host.Run());
    EXPECT_EQ(ListViewNames(host.shadow()), std::vector<std::wstring>({L"sub", L"a.txt", L"b.txt"}));

    // The next run reuses by those names.
    HICON red = MakeSolidIcon(kSize, kRed);
    ImageList_ReplaceIcon(host.images(), 2, red);
    DestroyIcon(red);
    ASSERT_TRUE(host.Run(0));
    EXPECT_EQ(Colour(2), kRed);
}

TEST_F(Worker, PicturesOfAnUnfinishedRunAreNotReusedByTheOlderNames) {
    if (FolderListingIsPlaceholder()) GTEST_SKIP() << "the folder listing still lists nothing";
    // A completed run: the hidden list view names b.txt and c.txt, whose
    // pictures come from cache files of their own colours.
    MakeItems({}, {L"b.txt", L"c.txt"});
    WriteIconFile(CacheFile(folder.path(), L"b.txt", true), kSize, kRed);
    WriteIconFile(CacheFile(folder.path(), L"c.txt", true), kSize, kGreen);
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ListViewNames(host.shadow()), std::vector<std::wstring>({L"b.txt", L"c.txt"}));

    // A new file comes first; the next run is superseded after two items,
    // leaving a.txt's and b.txt's pictures at positions 0 and 1.
    WriteText(folder / L"a.txt", "a");
    FillListView(host.list(), {L"a.txt", L"b.txt", L"c.txt"});
    RecordWorkerMessages([&](UINT message, WPARAM wParam, LPARAM) {
        if (message == LVM_REDRAWITEMS && wParam == 1) workerParams.generation = workerParams.generation + 1;
    });
    ASSERT_TRUE(host.Run(0, 1));
    host.SetListHook(nullptr);
    ASSERT_EQ(ImageCount(), 2);
    ASSERT_EQ(Colour(1), kRed) << "b.txt took its own earlier picture";

    // The successor must not look b.txt and c.txt up at their old positions.
    ASSERT_TRUE(host.Run(0, 1));
    ASSERT_EQ(ImageCount(), 3);
    EXPECT_NE(Colour(2), kRed) << "c.txt got b.txt's picture";
}

namespace {

// A colour of its own for each of a few hundred items.
COLORREF ItemColour(int i) {
    return RGB(i & 0xFF, 40 + 80 * (i >> 8), 200);
}

std::wstring NumberedName(const wchar_t* prefix, int i) {
    wchar_t name[32];
    swprintf(name, 32, L"%ls%03d.txt", prefix, i);
    return name;
}

}  // namespace

// More items than one growth step of the image list: a list that grows and
// is emptied and filled again keeps picture i with item i.
TEST_F(Worker, PictureIStaysWithItemIAcrossRebuildZeroRuns) {
    if (FolderListingIsPlaceholder()) GTEST_SKIP() << "the folder listing still lists nothing";
    const int kItems = 300;
    for (int i = 0; i < kItems; ++i) {
        WriteText(folder / NumberedName(L"f", i), "f");
        WriteIconFile(CacheFile(folder.path(), NumberedName(L"f", i), true), kSize, ItemColour(i));
    }
    ListFolder(host.list(), folder.path().c_str(), 1);
    ASSERT_TRUE(host.Run());
    ASSERT_EQ(ImageCount(), kItems);
    for (int i = 0; i < kItems; ++i) ASSERT_EQ(Colour(i), ItemColour(i)) << i;

    // Without cache files now, ten files gone and five new ones in the middle:
    // every remaining name takes its own earlier picture at its new position.
    RemoveTree(folder / L"Zuv_CACHE");
    for (int i = 100; i < 110; ++i) DeleteFileW((folder / NumberedName(L"f", i)).c_str());
    for (int i = 0; i < 5; ++i) WriteText(folder / NumberedName(L"g", i), "g");
    ListFolder(host.list(), folder.path().c_str(), 1);
    std::vector<std::wstring> names = ListViewNames(host.list());
    ASSERT_EQ(names.size(), static_cast<size_t>(kItems - 10 + 5));
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(host.Run(0));
        ASSERT_EQ(ImageCount(), static_cast<int>(names.size()));
        std::vector<COLORREF> newPictures;
        for (size_t p = 0; p < names.size(); ++p) {
            if (names[p][0] == L'f') {
                ASSERT_EQ(Colour(static_cast<int>(p)), ItemColour(_wtoi(names[p].c_str() + 1))) << p;
            } else {
                newPictures.push_back(Colour(static_cast<int>(p)));
            }
        }
        for (COLORREF c : newPictures) EXPECT_NE(c, ItemColour(0));
    }
}

// Navigation while the worker saves the cache: the names read from then on
// are those of the other folder, and none of them may get a file in the
// folder being saved, nor the other folder a cache folder.
TEST_F(Worker, SaveInterruptedByNavigationWritesNoFileOfTheOtherFolder) {
    const int kItems = 20;
    std::vector<std::wstring> ours, theirs;
    for (int i = 0; i < kItems; ++i) {
        ours.push_back(NumberedName(L"a", i));
        theirs.push_back(NumberedName(L"b", i));
    }
    MakeItems({}, ours);
    TempFolder other;
    for (const std::wstring& name : theirs) WriteText(other / name, "b");
    workerParams.cacheAutoSave = 1;
    bool runDone = false;
    bool navigated = false;
    RecordWorkerMessages([&](UINT message, WPARAM wParam, LPARAM) {
        if (message == LVM_REDRAWITEMS && wParam == kItems - 1) runDone = true;
        // The save reads item 5's name: the user moves to the other folder
        // first, as the shell does it (new generation, new folder, relisting).
        if (message == LVM_GETITEMTEXTW && wParam == 5 && runDone && !navigated) {
            navigated = true;
            workerParams.generation = workerParams.generation + 1;
            host.SetFolder(other.path());
            FillListView(host.list(), theirs);
        }
    });
    ASSERT_TRUE(host.Run());
    host.SetListHook(nullptr);
    ASSERT_TRUE(navigated) << "the save never read item 5";
    for (const std::wstring& file : FolderEntries(folder / L"Zuv_CACHE")) {
        EXPECT_EQ(file[0], L'a') << "a file of the other folder's item";
    }
    EXPECT_FALSE(FolderExists(other / L"Zuv_CACHE"));
}

TEST_F(Worker, StopRoutineClosesEndedAndAbandonsStuckWorkers) {
    // No worker: the flag is not touched.
    workerThread = nullptr;
    workerStop = 1;
    StopThumbnailWorker();
    EXPECT_EQ(workerStop, 1);
    workerStop = 0;

    // A worker that ends within the wait.
    MakeItems({}, {L"a.txt"});
    HANDLE ended = host.Start();
    ASSERT_TRUE(host.WaitForEnd(ended));
    StopThumbnailWorker();
    EXPECT_EQ(workerThread, nullptr);
    EXPECT_EQ(workerStop, 0);

    // A thread that does not end: abandoned after about 100 ms.
    struct Stuck {
        static DWORD WINAPI Proc(LPVOID seen) {
            while (workerStop == 0) Sleep(1);
            *static_cast<volatile LONG*>(seen) = 1;
            Sleep(2000);
            return 1;
        }
    };
    volatile LONG sawStop = 0;
    workerThread = CreateThread(nullptr, 0, Stuck::Proc, const_cast<LONG*>(&sawStop), 0, nullptr);
    HANDLE own = nullptr;
    DuplicateHandle(GetCurrentProcess(), workerThread, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS);
    DWORD start = GetTickCount();
    StopThumbnailWorker();
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 90u);
    EXPECT_LT(waited, 1000u);
    EXPECT_EQ(sawStop, 1);
    EXPECT_EQ(workerThread, nullptr);
    EXPECT_EQ(workerStop, 0);
    EXPECT_EQ(WaitForSingleObject(own, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running on its own";
    WaitForSingleObject(own, 10000);
    CloseHandle(own);
}

TEST_F(Worker, FindListItemIconTakesThePictureAtTheFirstMatchingPosition) {
    FillListView(host.shadow(), {L"a.txt", L"B.txt", L"b.txt", L"c.txt"});
    for (COLORREF c : {kRed, kGreen, kBlue}) AddSolidPicture(host.images(), c);
    struct {
        const wchar_t* name;
        COLORREF colour;
    } cases[] = {{L"A.TXT", kRed}, {L"b.txt", kGreen}, {L"c.txt", CLR_INVALID}, {L"d.txt", CLR_INVALID}};
    for (const auto& c : cases) {
        HICON icon = FindListItemIcon(host.shadow(), host.images(), c.name);
        if (c.colour == CLR_INVALID) {
            EXPECT_EQ(icon, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(icon, nullptr) << c.name;
        ICONINFO info = {};
        GetIconInfo(icon, &info);
        EXPECT_EQ(PixelColour(PixelAt(info.hbmColor, 1, 1)), c.colour) << c.name;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_EQ(FindListItemIcon(host.shadow(), nullptr, L"a.txt"), nullptr);
}

TEST_F(Worker, PumpMessagesDispatchesWhatIsQueued) {
    static int seen = 0;
    struct Proc {
        static LRESULT CALLBACK Window(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == WM_APP) seen += static_cast<int>(wParam);
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
    };
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc::Window));
    PostMessageW(window, WM_APP, 2, 0);
    PostMessageW(window, WM_APP, 3, 0);
    PumpMessages();
    EXPECT_EQ(seen, 5);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    DestroyWindow(window);
}

TEST_F(Worker, HandleCountsStayFlatOver200RunsBetweenTwoFolders) {
    TempFolder second;
    MakeItems({L"sub"}, {L"a.txt", L"b.swf"});
    WriteIconFile(folder / L"sub\\Zuv_CACHE\\Zuv_FOLDER.icon.ico", kSize, kBlue);
    WriteIconFile(CacheFile(folder.path(), L"a.txt", true), kSize, kRed);
    MakeFolder(second / L"other");
    WriteText(second / L"c.txt", "c");
    auto visit = [&](int run) {
        bool first = run % 2 == 0;
        workerParams.generation = nextGeneration++;
        StopThumbnailWorker();
        host.SetFolder(first ? folder.path() : second.path());
        if (first) {
            FillListView(host.list(), {L"sub", L"a.txt", L"b.swf"});
        } else {
            FillListView(host.list(), {L"other", L"c.txt"});
        }
        workerParams.cacheAutoSave = run % 4 == 1;
        // Every fourth worker is abandoned in its first item and ends superseded.
        bool abandon = run % 4 == 3;
        host.SetListHook([abandon](UINT message, WPARAM, LPARAM, bool fromWorker) {
            if (!abandon || !fromWorker || message != LVM_GETITEMTEXTW || !workerThread) return;
            workerParams.generation = nextGeneration++;
            StopThumbnailWorker();
        });
        return host.Run(run % 3 == 0 ? 0 : 1);
    };
    for (int run = 0; run < 10; ++run) ASSERT_TRUE(visit(run));
    DWORD gdi = GdiObjectLevel();
    DWORD user = UserObjectLevel();
    DWORD kernel = KernelHandleLevel();
    for (int run = 10; run < 210; ++run) ASSERT_TRUE(visit(run));
    StopThumbnailWorker();
    host.SetListHook(nullptr);
    EXPECT_LE(GdiObjectLevel(), gdi + 10);
    EXPECT_LE(UserObjectLevel(), user + 10);
    EXPECT_LE(KernelHandleLevel(), kernel + 10);
}

namespace {

// A tile with transparent margins above and below, alpha when asked, and a
// pattern of its own for each `seed`, as an image list icon.
HICON PatternTileIcon(int size, int seed, bool withAlpha) {
    int height = size / 2 + seed % 7;
    std::vector<Pixel> pixels(static_cast<size_t>(size) * height);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = MakePixel((i * 7 + seed * 31) & 0xFF, (i >> 3) & 0xFF, seed & 0xFF,
                              withAlpha ? static_cast<BYTE>((i + seed) % 200 + 20) : 0);
    }
    return TileIconOfPixels(size, pixels, withAlpha);
}

}  // namespace

// Cached pictures of consecutive items go into the list several at a time:
// each picture, its mask and its alpha are those of its own file, at a size
// whose mask rows are whole bytes and at one whose rows end inside a byte.
TEST(WorkerCacheStrips, EachCachedPictureIsItsOwnFilesDownToTheByte) {
    for (int size : {48, 100}) {
        SCOPED_TRACE(size);
        WorkerHost host{size};
        TempFolder folder;
        host.SetFolder(folder.path());
        const int kItems = 70;  // strips of 1, 2, 4, 8, 16, 32 and the rest
        std::vector<std::wstring> names;
        for (int i = 0; i < kItems; ++i) {
            wchar_t name[32];
            swprintf(name, 32, L"p%03d.txt", i);
            names.push_back(name);
            WriteText(folder / name, "p");
            // Now and then an item without a cache file breaks the strip.
            if (i % 23 == 22) continue;
            HICON icon = PatternTileIcon(size, i, i % 3 == 0);
            MakeFolder(folder / L"Zuv_CACHE");
            SaveIconFile(icon, CacheFile(folder.path(), name, true).c_str());
            DestroyIcon(icon);
        }
        FillListView(host.list(), names);
        std::vector<std::pair<int, int>> redraws;
        host.SetListHook([&](UINT message, WPARAM wParam, LPARAM lParam, bool fromWorker) {
            if (fromWorker && message == LVM_REDRAWITEMS) redraws.emplace_back(int(wParam), int(lParam));
        });
        ASSERT_TRUE(host.Run());
        host.SetListHook(nullptr);
        ASSERT_EQ(ImageList_GetImageCount(host.images()), kItems);

        for (int i = 0; i < kItems; ++i) {
            if (i % 23 == 22) continue;
            HICON icon = ImageList_GetIcon(host.images(), i, ILD_NORMAL);
            std::wstring again = folder / L"again.ico";
            SaveIconFile(icon, again.c_str());
            DestroyIcon(icon);
            ASSERT_EQ(ReadBytes(again), ReadBytes(CacheFile(folder.path(), names[i], true))) << i;
        }
        // Every item is redrawn once, after the start's redraw of all, and
        // the first picture on its own.
        ASSERT_FALSE(redraws.empty());
        EXPECT_EQ(redraws[0], std::make_pair(0, kItems - 1));
        ASSERT_GT(redraws.size(), 1u);
        EXPECT_EQ(redraws[1], std::make_pair(0, 0));
        std::vector<int> times(kItems, 0);
        for (size_t r = 1; r < redraws.size(); ++r) {
            for (int i = redraws[r].first; i <= redraws[r].second; ++i) ++times[i];
        }
        EXPECT_EQ(times, std::vector<int>(kItems, 1));
        EXPECT_LT(redraws.size(), static_cast<size_t>(kItems) / 3) << "the strips share their redraws";
    }
}
