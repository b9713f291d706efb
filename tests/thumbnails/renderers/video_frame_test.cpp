// Video frames through the Media Foundation source reader: the position
// rule on videos whose grey level tells the second, the frame layout, and
// the NV12 conversion on hand-made buffers.
#include <windows.h>
#include <mfapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "support/test_pictures.h"
#include "support/guarded_bytes.h"
#include "support/test_files.h"
#include "thumbnails/renderers/video_frame.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The program itself starts Media Foundation once for the process.
class MediaFoundation : public testing::Environment {
public:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL)); }
    void TearDown() override { MFShutdown(); }
};

testing::Environment* const mediaFoundation = testing::AddGlobalTestEnvironment(new MediaFoundation);

const int64_t kSecond = 10000000;

TEST(VideoFramePosition, ConfiguredSecondOrHalfTheDuration) {
    struct Case {
        int64_t duration;
        int seconds;
        int64_t position;
    };
    for (const Case& c : {Case{600 * kSecond, 64, 64 * kSecond}, Case{30 * kSecond, 64, 15 * kSecond},
                          Case{10 * kSecond, 64, 5 * kSecond}, Case{90 * kSecond, 64, 64 * kSecond},
                          Case{64 * kSecond, 64, 64 * kSecond}, Case{600 * kSecond, 300, 300 * kSecond},
                          Case{7200 * kSecond, 3000, 3000 * kSecond}, Case{600 * kSecond, 0, 0},
                          Case{0, 64, 0}, Case{1, 64, 0}, Case{3, 64, 1}, Case{600 * kSecond, -1, 0},
                          Case{INT64_MAX, 2147483647, 2147483647LL * kSecond}}) {
        EXPECT_EQ(VideoFramePosition(c.duration, c.seconds), c.position) << c.duration << " " << c.seconds;
    }
}

// 0xAARRGGBB of one NV12 pixel.
uint32_t Convert(BYTE y, BYTE u, BYTE v) {
    Bytes frame = {y, y, y, y, u, v, u, v};
    uint32_t bits[4] = {};
    ConvertNv12ToBgra(frame.data(), frame.size(), 4, 2, 2, 2, reinterpret_cast<BYTE*>(bits));
    return bits[0];
}

TEST(Nv12Conversion, IntegerBt601VideoRange) {
    EXPECT_EQ(Convert(81, 90, 240), 0xFFFF0000u);  // video-range red
    EXPECT_EQ(Convert(16, 128, 128), 0xFF000000u);
    EXPECT_EQ(Convert(235, 128, 128), 0xFFFFFFFFu);
    EXPECT_EQ(Convert(0, 128, 128), 0xFF000000u);
    EXPECT_EQ(Convert(255, 128, 128), 0xFFFFFFFFu);
    EXPECT_EQ(Convert(126, 128, 128), 0xFF808080u);
    // C = 100, D = -20, E = 30: red (29800 + 12270 + 128) >> 8 = 164, green
    // (29800 + 2000 - 6240 + 128) >> 8 = 100, blue (29800 - 10320 + 128) >> 8 = 76.
    EXPECT_EQ(Convert(116, 108, 158), 0xFFA4644Cu);
}

// Rows go bottom-up; each pair of pixels shares one U, V pair; chroma rows
// serve two luma rows.
TEST(Nv12Conversion, LayoutOfRowsAndPairs) {
    const uint32_t w = 4, h = 4, pitch = 6;
    Bytes frame(pitch * h + pitch * h / 2, 0);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) frame[y * pitch + x] = BYTE(16 + 40 * y + 5 * x);
        frame[y * pitch + 4] = frame[y * pitch + 5] = 250;  // padding, never read as pixels
    }
    // Chroma row 0 neutral, row 1 strongly red for its second pair only.
    BYTE chroma[2][6] = {{128, 128, 128, 128, 0, 0}, {128, 128, 90, 240, 0, 0}};
    memcpy(&frame[pitch * h], chroma[0], 6);
    memcpy(&frame[pitch * h + pitch], chroma[1], 6);
    std::vector<uint32_t> bits(w * h, 0x12345678);
    GuardedBytes guarded(frame);
    ConvertNv12ToBgra(guarded.data(), guarded.size(), pitch * h, pitch, w, h, reinterpret_cast<BYTE*>(bits.data()));
    auto at = [&](uint32_t x, uint32_t y) { return bits[(h - 1 - y) * w + x]; };  // y counted from the top
    auto grey = [](int luma) {
        int g = (298 * (luma - 16) + 128) >> 8;
        g = g < 0 ? 0 : g > 255 ? 255 : g;
        return 0xFF000000u | uint32_t(g) << 16 | uint32_t(g) << 8 | uint32_t(g);
    };
    for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 0; x < w; ++x) EXPECT_EQ(at(x, y), grey(16 + 40 * y + 5 * x)) << x << "," << y;
    }
    for (uint32_t y = 2; y < 4; ++y) {
        EXPECT_EQ(at(0, y), grey(16 + 40 * y)) << y;
        EXPECT_EQ(at(1, y), grey(16 + 40 * y + 5)) << y;
        for (uint32_t x = 2; x < 4; ++x) {
            uint32_t p = at(x, y);
            EXPECT_GT((p >> 16) & 0xFF, (p >> 8) & 0xFF) << "red pair at " << x << "," << y;
        }
    }
}

TEST(Nv12Conversion, OddWidthConvertsTheLastPixelAlone) {
    const uint32_t w = 3, h = 2;
    for (uint32_t pitch : {4u, 3u}) {
        Bytes frame(pitch * h + pitch * h / 2, 81);
        Bytes uv = {128, 128, 90, 240};
        for (uint32_t i = 0; i < pitch && i < uv.size(); ++i) frame[pitch * h + i] = uv[i];
        std::vector<uint32_t> bits(w * h + 4, 0xCCCCCCCC);
        GuardedBytes guarded(frame);
        ConvertNv12ToBgra(guarded.data(), guarded.size(), pitch * h, pitch, w, h, reinterpret_cast<BYTE*>(bits.data()));
        for (uint32_t y = 0; y < h; ++y) {
            uint32_t last = bits[y * w + 2];
            if (pitch == 4) {
                EXPECT_EQ(last, 0xFFFF0000u) << "row " << y;
            } else {
                // The V of the lone pixel lies past the cut buffer: neutral.
                EXPECT_EQ(last, Convert(81, 90, 128)) << "row " << y;
            }
        }
        for (int i = 0; i < 4; ++i) EXPECT_EQ(bits[w * h + i], 0xCCCCCCCCu) << "written beyond the picture";
    }
}

// A buffer shorter than the frame: rows that do not fit stay as they were.
TEST(Nv12Conversion, ReadsStayInsideTheBuffer) {
    const uint32_t w = 8, h = 8;
    Bytes whole(w * h * 3 / 2, 100);
    for (size_t length : {size_t(0), size_t(10), size_t(w * h), size_t(w * h + 8), whole.size() - 1, whole.size()}) {
        Bytes frame(whole.begin(), whole.begin() + length);
        std::vector<uint32_t> bits(w * h, 0x11111111);
        GuardedBytes guarded(frame);
        ConvertNv12ToBgra(guarded.data(), guarded.size(), w * h, w, w, h, reinterpret_cast<BYTE*>(bits.data()));
        int converted = 0;
        for (uint32_t row = 0; row < h; ++row) converted += bits[row * w] != 0x11111111;
        EXPECT_EQ(converted, length == whole.size() ? 8 : length == whole.size() - 1 ? 6 : length == w * h + 8 ? 2 : 0)
            << length;
    }
    // A chroma plane said to start past the end.
    std::vector<uint32_t> bits(w * h, 0x11111111);
    GuardedBytes guarded(whole);
    ConvertNv12ToBgra(guarded.data(), guarded.size(), whole.size() + 100, w, w, h, reinterpret_cast<BYTE*>(bits.data()));
    EXPECT_EQ(bits[0], 0x11111111u);
}

// The second a frame of the generated videos shows: luma 20 + 2 x second.
int SecondShown(HBITMAP frame) {
    BitmapPixels p = ReadBitmapPixels(frame);
    if (p.width == 0) return -1;
    int grey = (p.at(p.width / 2, p.height / 2) >> 8) & 0xFF;
    int best = -1;
    int bestDistance = 1000;
    for (int s = 0; s < 90; ++s) {
        int expected = (298 * (4 + 2 * s) + 128) >> 8;
        if (std::abs(expected - grey) < bestDistance) {
            best = s;
            bestDistance = std::abs(expected - grey);
        }
    }
    return bestDistance <= 2 ? best : -1;
}

struct PositionCase {
    int duration;
    int wait;
    int second;  // the frame's second, or -1 for none
};

class VideoPosition : public testing::TestWithParam<const wchar_t*> {};

TEST_P(VideoPosition, FrameAtTheConfiguredSecondOrHalfway) {
    for (const PositionCase& c : {PositionCase{90, 64, 64}, PositionCase{10, 64, 5}, PositionCase{10, 7, 7},
                                  PositionCase{90, 0, -1}, PositionCase{10, 0, -1}, PositionCase{90, 100, 45}}) {
        std::wstring path = MediaFixture(L"seconds_" + std::to_wstring(c.duration) + GetParam());
        SCOPED_TRACE(testing::Message() << ToUtf8(path) << " wait " << c.wait);
        HBITMAP frame = GrabVideoFrame(path.c_str(), c.wait);
        if (c.second < 0) {
            EXPECT_EQ(frame, nullptr);
            continue;
        }
        ASSERT_NE(frame, nullptr);
        BitmapPixels p = ReadBitmapPixels(frame);
        EXPECT_EQ(p.width, 64);
        EXPECT_EQ(p.height, 48);
        int shown = SecondShown(frame);
        // The reader lands on its own seek point at or just before the
        // position; the videos have one key frame a second.
        EXPECT_GE(shown, c.second - 1);
        EXPECT_LE(shown, c.second);
        DeleteObject(frame);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, VideoPosition, testing::Values(L".mp4", L".avi", L".webm"),
                         [](const testing::TestParamInfo<const wchar_t*>& info) { return ToUtf8(info.param + 1); });

struct QuarterCase {
    const wchar_t* file;
    int width;
    int height;
    int leftWidth;
};

class VideoQuarters : public testing::TestWithParam<QuarterCase> {};

// Red, lime / blue, white: every row and both halves in place, which a
// wrong pitch or chroma offset would shear.
TEST_P(VideoQuarters, PictureStandsUprightBottomUpOpaque) {
    const QuarterCase& c = GetParam();
    HBITMAP frame = GrabVideoFrame(MediaFixture(c.file).c_str(), 1);
    ASSERT_NE(frame, nullptr);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectW(frame, sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBmih.biSize, 40u);
    EXPECT_EQ(section.dsBmih.biWidth, c.width);
    EXPECT_EQ(section.dsBmih.biHeight, c.height);
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    // Bottom-up: memory starts with the picture's bottom row (blue, white).
    const uint32_t* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
    EXPECT_TRUE(NearColour(bits[2], 0xFF0000FF, 30)) << ColourText(bits[2]);
    EXPECT_TRUE(NearColour(bits[c.width - 3], 0xFFFFFFFF, 30)) << ColourText(bits[c.width - 3]);

    BitmapPixels p = ReadBitmapPixels(frame);
    ASSERT_EQ(p.width, c.width);
    ASSERT_EQ(p.height, c.height);
    int half = c.height / 2;
    for (int y = 0; y < c.height; ++y) {
        if (std::abs(y - half) < 2) continue;
        bool top = y < half;
        for (int x : {1, c.leftWidth - 3, c.leftWidth + 2, c.width - 2}) {
            bool left = x < c.leftWidth;
            uint32_t expected = top ? (left ? 0xFFFF0000 : 0xFF00FF00) : (left ? 0xFF0000FF : 0xFFFFFFFF);
            ASSERT_TRUE(NearColour(p.at(x, y), expected, 30)) << x << "," << y << " " << ColourText(p.at(x, y));
        }
    }
    for (uint32_t pixel : p.pixels) ASSERT_EQ(pixel >> 24, 0xFFu);
    DeleteObject(frame);
}

INSTANTIATE_TEST_SUITE_P(Sizes, VideoQuarters,
                         testing::Values(QuarterCase{L"quarters_1920x1080.mp4", 1920, 1080, 960},
                                         QuarterCase{L"quarters_50x40.mp4", 50, 40, 26}));

TEST(GrabVideoFrame, FilesThatAreNoVideosGiveNone) {
    TempFolder folder;
    std::wstring text = folder / L"notes.txt";
    ASSERT_TRUE(WriteText(text, "plain words, not a video\r\n"));
    std::wstring empty = folder / L"empty.mp4";
    ASSERT_TRUE(WriteBytes(empty, {}));
    Bytes half = ReadBytes(MediaFixture(L"seconds_10.mp4"));
    half.resize(200);
    std::wstring cut = folder / L"cut.mp4";
    ASSERT_TRUE(WriteBytes(cut, half));
    for (const std::wstring& path : {text, empty, cut, folder / L"missing.mp4", MediaFixture(L"silence.mp3"),
                                     MediaFixture(L"halves.png")}) {
        HBITMAP frame = GrabVideoFrame(path.c_str(), 64);
        EXPECT_EQ(frame, nullptr) << ToUtf8(path);
        if (frame) DeleteObject(frame);
    }
}

// The first bytes of every picture type, whole or cut to their signature,
// and near misses that must still go to the reader.
TEST(StartsAsStillPicture, SignaturesOfThePictureTypesAndNothingElse) {
    struct Case {
        Bytes bytes;
        bool picture;
    };
    const Case kCases[] = {
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, true},
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, false},  // cut inside the signature
        {{'G', 'I', 'F', '8', '9', 'a'}, true},
        {{'G', 'I', 'F', '8', '7', 'a', 0, 0}, true},
        {{'G', 'I', 'F', '8', '8', 'a'}, false},
        {{0xFF, 0xD8, 0xFF, 0xE0}, true},
        {{0xFF, 0xD8}, false},
        {{'B', 'M'}, true},
        {{'I', 'I', '*', 0}, true},
        {{'M', 'M', 0, '*'}, true},
        {{'I', 'I', 0, '*'}, false},
        {{'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'E', 'B', 'P'}, true},
        {{'R', 'I', 'F', 'F', 1, 2, 3, 4, 'A', 'V', 'I', ' '}, false},
        {{'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'E', 'B'}, false},
        {{0, 0, 1, 0, 1, 0}, true},
        {{0, 0, 1, 0, 0, 0}, false},  // an icon directory of no entries
        {{0, 0, 1, 0}, false},
        {{0, 0, 1, 0xBA, 0x44, 0}, false},                   // MPEG program stream
        {{0, 0, 0, 0x18, 'f', 't', 'y', 'p'}, false},        // MP4
        {{0x1A, 0x45, 0xDF, 0xA3}, false},                   // Matroska and WebM
        {{}, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(ToUtf8(std::wstring(c.bytes.begin(), c.bytes.end())));
        EXPECT_EQ(StartsAsStillPicture(c.bytes.data(), c.bytes.size()), c.picture);
    }
    EXPECT_FALSE(StartsAsStillPicture(nullptr, 8));
}

// A grabber that waits for the test's word, then makes a frame; it records
// the frame so that the test can see what became of it.
HANDLE grabberGo;
HBITMAP grabberFrame;

HBITMAP HeldGrabber(const wchar_t*, int) {
    WaitForSingleObject(grabberGo, INFINITE);
    void* bits = nullptr;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HBITMAP frame = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    InterlockedExchangePointer(reinterpret_cast<void**>(&grabberFrame), frame);
    return frame;
}

TEST(GrabFrameWithin, AGrabberThatDeliversInTimeGivesItsFrame) {
    grabberGo = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HBITMAP frame = GrabFrameWithin(L"any", 1, 15000, HeldGrabber);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame, grabberFrame);
    EXPECT_EQ(GetObjectType(frame), static_cast<DWORD>(OBJ_BITMAP));
    DeleteObject(frame);
    CloseHandle(grabberGo);
}

// A grabber held past the bound gives none at the bound; the frame it makes
// afterwards is deleted by its own thread, and nothing waits for it.
TEST(GrabFrameWithin, AGrabberHeldPastTheBoundGivesNoneAndItsLateFrameGoes) {
    grabberGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    grabberFrame = nullptr;
    EXPECT_EQ(GrabFrameWithin(L"any", 1, 200, HeldGrabber), nullptr);
    EXPECT_EQ(grabberFrame, nullptr);
    SetEvent(grabberGo);
    DWORD start = GetTickCount();
    auto lateFrameDeleted = [] {
        HBITMAP made = static_cast<HBITMAP>(InterlockedCompareExchangePointer(
            reinterpret_cast<void**>(&grabberFrame), nullptr, nullptr));
        return made && GetObjectType(made) == 0;
    };
    while (!lateFrameDeleted() && GetTickCount() - start < 15000) Sleep(10);
    EXPECT_TRUE(lateFrameDeleted());
    CloseHandle(grabberGo);
}

// Cut pictures under a video's name, and a whole video after them: the
// pictures give none without the reader, the video still its frame.
TEST(GrabVideoFrame, PicturesCutShortGiveNoneAndTheNextVideoItsFrame) {
    TempFolder folder;
    for (const wchar_t* fixture : {L"size_300x200.png", L"frames.gif", L"photo_300x200.jpg"}) {
        Bytes bytes = ReadBytes(MediaFixture(fixture));
        bytes.resize(bytes.size() / 3);
        for (const wchar_t* name : {L"cut.mp4", L"cut.png"}) {
            ASSERT_TRUE(WriteBytes(folder / name, bytes));
            HBITMAP frame = GrabVideoFrame((folder / name).c_str(), 64);
            EXPECT_EQ(frame, nullptr) << ToUtf8(fixture) << " as " << ToUtf8(name);
            if (frame) DeleteObject(frame);
        }
    }
    HBITMAP frame = GrabVideoFrame(MediaFixture(L"seconds_10.mp4").c_str(), 64);
    EXPECT_NE(frame, nullptr);
    if (frame) DeleteObject(frame);
}

// The reader itself never returns for a PNG cut short under Wine: held to
// the bound, it gives none in time, and the thread it keeps holds neither a
// later video nor the end of this program (Media Foundation shut down
// included).
TEST(GrabFrameWithin, TheReaderHeldByACutPictureKeepsNothingElseWaiting) {
    TempFolder folder;
    Bytes png = ReadBytes(MediaFixture(L"size_300x200.png"));
    png.resize(700);
    ASSERT_TRUE(WriteBytes(folder / L"cut.png", png));
    HBITMAP none = GrabFrameWithin((folder / L"cut.png").c_str(), 64, 3000, GrabFrameWithReader);
    EXPECT_EQ(none, nullptr);
    if (none) DeleteObject(none);
    HBITMAP frame = GrabVideoFrame(MediaFixture(L"seconds_10.mp4").c_str(), 64);
    EXPECT_NE(frame, nullptr);
    if (frame) DeleteObject(frame);
}

}  // namespace
