// The worker's image, MP3 and video steps with the real renderers: each file
// lands as a fitted tile at its own index, margins left transparent; JPEG
// photos stand upright by their EXIF orientation.
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

// A little-endian EXIF segment with orientation 6 (a clockwise quarter
// turn), put right after the JFIF segment of the photo.
std::vector<unsigned char> TurnedPhoto() {
    std::vector<unsigned char> jpeg = ReadBytes(MediaFixture(L"photo_300x200.jpg"));
    std::vector<unsigned char> segment = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0,
                                          'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                                          0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
    size_t jfifEnd = 4 + ((jpeg[4] << 8) | jpeg[5]);
    jpeg.insert(jpeg.begin() + jfifEnd, segment.begin(), segment.end());
    return jpeg;
}

TEST_F(WorkerRendererSteps, JpegPhotosAreTurnedUpright) {
    std::vector<unsigned char> turned = TurnedPhoto();
    ASSERT_TRUE(WriteBytes(folder / L"a.jpg", turned));
    ASSERT_TRUE(WriteBytes(folder / L"b.JPEG", turned));
    // Only JPEG names are turned.
    ASSERT_TRUE(WriteBytes(folder / L"c.png", turned));
    FillListView(host.list(), {L"a.jpg", L"b.JPEG", L"c.png"});

    ASSERT_TRUE(host.Run());
    HIMAGELIST images = host.images();
    ASSERT_EQ(ImageList_GetImageCount(images), 3);
    for (int i : {0, 1}) {
        SCOPED_TRACE(i);
        // 300 x 200 turned stands 42 x 64: margins left and right, none
        // above and below.
        EXPECT_TRUE(ImageListMaskBit(images, i, 0, kSize / 2));
        EXPECT_TRUE(ImageListMaskBit(images, i, kSize - 1, kSize / 2));
        EXPECT_FALSE(ImageListMaskBit(images, i, kSize / 2, 0));
        EXPECT_FALSE(ImageListMaskBit(images, i, kSize / 2, kSize - 1));
        // The white top of the photo now stands on the right.
        EXPECT_GT(GetRValue(ImageListColour(images, i, kSize / 2 + 18, kSize / 2)),
                  GetRValue(ImageListColour(images, i, kSize / 2 - 18, kSize / 2)) + 100);
    }
    EXPECT_TRUE(ImageListMaskBit(images, 2, kSize / 2, 0));
    EXPECT_FALSE(ImageListMaskBit(images, 2, 0, kSize / 2));
}

TEST_F(WorkerRendererSteps, Mp3CoverBecomesAFittedTile) {
    std::vector<unsigned char> cover = ReadBytes(MediaFixture(L"cover_red.png"));
    std::vector<unsigned char> audio = ReadBytes(MediaFixture(L"silence.mp3"));
    // An ID3 version 2.3 tag with one front-cover frame and some padding.
    const unsigned char kPictureHeader[] = {0, 'i', 'm', 'a', 'g', 'e', '/', 'p', 'n', 'g', 0, 3, 0};
    uint32_t frameSize = static_cast<uint32_t>(sizeof(kPictureHeader) + cover.size());
    uint32_t tagSize = 10 + frameSize + 16;
    const unsigned char kHeaders[] = {'I', 'D', '3', 3, 0, 0, BYTE(tagSize >> 21 & 0x7F), BYTE(tagSize >> 14 & 0x7F),
                                      BYTE(tagSize >> 7 & 0x7F), BYTE(tagSize & 0x7F),
                                      'A', 'P', 'I', 'C', BYTE(frameSize >> 24), BYTE(frameSize >> 16),
                                      BYTE(frameSize >> 8), BYTE(frameSize), 0, 0};
    std::vector<unsigned char> file;
    file.reserve(10 + tagSize + audio.size());
    file.insert(file.end(), std::begin(kHeaders), std::end(kHeaders));
    file.insert(file.end(), std::begin(kPictureHeader), std::end(kPictureHeader));
    file.insert(file.end(), cover.begin(), cover.end());
    file.resize(file.size() + 16, 0);
    file.insert(file.end(), audio.begin(), audio.end());
    ASSERT_TRUE(WriteBytes(folder / L"song.mp3", file));
    FillListView(host.list(), {L"song.mp3"});

    ASSERT_TRUE(host.Run());
    HIMAGELIST images = host.images();
    ASSERT_EQ(ImageList_GetImageCount(images), 1);
    EXPECT_EQ(ImageListColour(images, 0, kSize / 2, kSize / 2), RGB(255, 0, 0));
    EXPECT_FALSE(ImageListMaskBit(images, 0, kSize / 2, 0));
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
