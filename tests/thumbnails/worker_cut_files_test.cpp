// Files cut short, of every picture and video type the worker reads, go
// through every step up to the text tile without holding the worker: the
// whole picture after each gets its picture and the run saves its cache,
// within a bound that only a hang would pass.
#include <windows.h>
#include <commctrl.h>
#include <mfapi.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "shell/main_state.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/thumbnail_worker.h"
#include "thumbnails/worker_params.h"

namespace {

const int kSize = 48;

struct TCutFile {
    const wchar_t* fixture;
    const wchar_t* name;
    size_t keep;  // bytes kept; 0 = a third of the file
};

const TCutFile kCutFiles[] = {
    {L"size_300x200.png", L"cut.png", 100},
    {L"size_300x200.png", L"cut.png", 700},
    {L"size_300x200.png", L"cut.png", 0},
    {L"frames.gif", L"cut.gif", 100},
    {L"frames.gif", L"cut.gif", 0},
    {L"photo_300x200.jpg", L"cut.jpg", 100},
    {L"photo_300x200.jpg", L"cut.jpg", 0},
    {L"halves.bmp", L"cut.bmp", 100},
    {L"halves.bmp", L"cut.bmp", 0},
    {L"pages.tif", L"cut.tif", 100},
    {L"pages.tif", L"cut.tif", 0},
    {L"entries.ico", L"cut.ico", 100},
    {L"entries.ico", L"cut.ico", 0},
    {L"halves.webp", L"cut.webp", 100},
    {L"halves.webp", L"cut.webp", 0},
    {L"seconds_10.mp4", L"cut.mp4", 100},
    {L"seconds_10.mp4", L"cut.mp4", 0},
    {L"seconds_10.avi", L"cut.avi", 100},
    {L"seconds_10.avi", L"cut.avi", 0},
    {L"seconds_10.webm", L"cut.webm", 100},
    {L"seconds_10.webm", L"cut.webm", 0},
    // A cut picture under a name that no step claims, and under a video's.
    {L"size_300x200.png", L"cut.dat", 700},
    {L"size_300x200.png", L"cut.mp4", 700},
};

class WorkerCutFiles : public testing::Test {
protected:
    void SetUp() override {
        MFStartup(MF_VERSION, MFSTARTUP_FULL);
        iconView = 1;
        workerParams.thumbnailWait = 64;
        workerParams.cacheAutoSave = 1;
    }
    void TearDown() override { MFShutdown(); }

    WorkerHost host{kSize};
};

TEST_F(WorkerCutFiles, WholePictureAfterACutFileGetsItsPictureAndTheCacheIsSaved) {
    for (const TCutFile& cut : kCutFiles) {
        std::vector<unsigned char> bytes = ReadBytes(MediaFixture(cut.fixture));
        ASSERT_GT(bytes.size(), 3u) << ToUtf8(cut.fixture);
        size_t keep = cut.keep ? std::min(cut.keep, bytes.size() - 1) : bytes.size() / 3;
        SCOPED_TRACE(ToUtf8(cut.fixture) + " cut to " + std::to_string(keep) + " bytes as " + ToUtf8(cut.name));
        TempFolder folder;
        bytes.resize(keep);
        ASSERT_TRUE(WriteBytes(folder / cut.name, bytes));
        ASSERT_TRUE(CopyFileW(MediaFixture(L"cover_red.png").c_str(), (folder / L"whole.png").c_str(), FALSE));
        host.SetFolder(folder.path());
        FillListView(host.list(), {cut.name, L"whole.png"});

        HANDLE worker = host.Start();
        bool ended = host.WaitForEnd(worker, 15000);
        EXPECT_TRUE(ended) << "the run did not end within 15 s";
        EXPECT_EQ(ImageList_GetImageCount(host.images()), 2);
        EXPECT_EQ(ImageListColour(host.images(), 1, kSize / 2, kSize / 2), RGB(255, 0, 0));
        EXPECT_TRUE(FileExists(folder / L"Zuv_CACHE\\whole.png.Zuv.icon.ico"));
        if (!ended) {
            // A worker held for good is given up; the next case runs beside it.
            workerParams.generation = nextGeneration++;
            StopThumbnailWorker();
            continue;
        }
        StopThumbnailWorker();
    }
}

}  // namespace
