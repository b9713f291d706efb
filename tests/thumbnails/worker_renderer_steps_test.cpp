// The worker's image, MP3 and video steps with the real renderers: each file
// lands as a fitted tile at its own index, margins left transparent.
#include <windows.h>
#include <commctrl.h>
#include <mfapi.h>

#include <gtest/gtest.h>

#include "shell/main_state.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/worker_host.h"
#include "thumbnails/worker_params.h"

namespace {

const int kSize = 64;

class WorkerRendererSteps : public testing::Test {
protected:
    void SetUp() override {
        MFStartup(MF_VERSION, MFSTARTUP_FULL);
        iconView = 1;
        host.SetFolder(folder.path());
    }
    void TearDown() override { MFShutdown(); }

    void CopyFixture(const std::wstring& fixture, const std::wstring& name) {
        ASSERT_TRUE(CopyFileW(MediaFixture(fixture).c_str(), (folder / name).c_str(), FALSE)) << fixture;
    }

    TempFolder folder;
    WorkerHost host{kSize};
};

TEST_F(WorkerRendererSteps, ImagesAndVideoFramesBecomeFittedTiles) {
    CopyFixture(L"cover_red.png", L"a.png");
    CopyFixture(L"photo_300x200.jpg", L"b.jpg");
    CopyFixture(L"seconds_10.mp4", L"c.mp4");
    FillListView(host.list(), {L"a.png", L"b.jpg", L"c.mp4"});
    workerParams.thumbnailWait = 64;

    ASSERT_TRUE(host.Run());
    HIMAGELIST images = host.images();
    ASSERT_EQ(ImageList_GetImageCount(images), 3);

    // A square picture fills the tile; the red square is scaled up.
    EXPECT_EQ(ImageListColour(images, 0, kSize / 2, kSize / 2), RGB(255, 0, 0));
    EXPECT_FALSE(ImageListMaskBit(images, 0, kSize / 2, 0));
    // 300 x 200 fits as 64 x 42: the rows above and below are margin.
    EXPECT_TRUE(ImageListMaskBit(images, 1, kSize / 2, 0));
    EXPECT_TRUE(ImageListMaskBit(images, 1, kSize / 2, kSize - 1));
    EXPECT_FALSE(ImageListMaskBit(images, 1, kSize / 2, kSize / 2));
    // A 4:3 video frame leaves margins too, and is a picture, not the shell's.
    if (ImageListMaskBit(images, 2, kSize / 2, kSize / 2)) {
        GTEST_SKIP() << "the video step gave no frame here (Media Foundation could not open the H.264 file)";
    }
    EXPECT_TRUE(ImageListMaskBit(images, 2, kSize / 2, 0));
}

TEST_F(WorkerRendererSteps, NoVideoStepWhenVideoThumbnailsAreOff) {
    CopyFixture(L"seconds_10.mp4", L"c.mp4");
    FillListView(host.list(), {L"c.mp4"});
    workerParams.thumbnailWait = -1;

    ASSERT_TRUE(host.Run());
    HIMAGELIST images = host.images();
    ASSERT_EQ(ImageList_GetImageCount(images), 1);
    // Without the video step the file ends as a shell picture, which fills
    // the tile without margins.
    EXPECT_FALSE(ImageListMaskBit(images, 0, kSize / 2, 0));
}

}  // namespace
