// The EXIF orientation of JPEG files, read from both segment layouts and
// both byte orders, and the seven turns on real pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "support/test_pictures.h"
#include "support/guarded_bytes.h"
#include "support/test_files.h"
#include "thumbnails/renderers/exif_orientation.h"
#include "thumbnails/renderers/image_decoding.h"

namespace {

using Bytes = std::vector<unsigned char>;

enum class Layout { ExifFirst, AfterJfif };

void Put16(Bytes& b, uint32_t v, bool bigEndian) {
    if (bigEndian) b.insert(b.end(), {BYTE(v >> 8), BYTE(v)});
    else b.insert(b.end(), {BYTE(v), BYTE(v >> 8)});
}

void Put32(Bytes& b, uint32_t v, bool bigEndian) {
    if (bigEndian) b.insert(b.end(), {BYTE(v >> 24), BYTE(v >> 16), BYTE(v >> 8), BYTE(v)});
    else b.insert(b.end(), {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)});
}

// An APP1 segment with "Exif\0\0" and a TIFF structure whose IFD0 holds an
// image-width entry and then the orientation (a SHORT in the value field's
// first two bytes), unless orientation is 0.
Bytes ExifSegment(bool bigEndian, uint16_t orientation) {
    Bytes tiff;
    tiff.insert(tiff.end(), bigEndian ? std::initializer_list<BYTE>{'M', 'M'} : std::initializer_list<BYTE>{'I', 'I'});
    Put16(tiff, 42, bigEndian);
    Put32(tiff, 8, bigEndian);
    Put16(tiff, orientation ? 2 : 1, bigEndian);
    Put16(tiff, 0x0100, bigEndian);  // ImageWidth, LONG 12
    Put16(tiff, 4, bigEndian);
    Put32(tiff, 1, bigEndian);
    Put32(tiff, 12, bigEndian);
    if (orientation) {
        Put16(tiff, 0x0112, bigEndian);
        Put16(tiff, 3, bigEndian);
        Put32(tiff, 1, bigEndian);
        Put16(tiff, orientation, bigEndian);
        Put16(tiff, 0, bigEndian);
    }
    Put32(tiff, 0, bigEndian);
    Bytes segment = {0xFF, 0xE1};
    Put16(segment, static_cast<uint32_t>(2 + 6 + tiff.size()), true);
    segment.insert(segment.end(), {'E', 'x', 'i', 'f', 0, 0});
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    return segment;
}

// A JPEG of the generator (which starts with a JFIF segment) with an EXIF
// segment put first or right after the JFIF segment.
Bytes JpegWithExif(const Bytes& jpeg, Layout layout, const Bytes& segment) {
    size_t jfifEnd = 4 + ((jpeg[4] << 8) | jpeg[5]);
    size_t at = layout == Layout::ExifFirst ? 2 : jfifEnd;
    Bytes out(jpeg.begin(), jpeg.begin() + at);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + at, jpeg.end());
    return out;
}

Bytes BaseJpeg() {
    Bytes jpeg = ReadBytes(MediaFixture(L"halves.jpg"));
    EXPECT_GT(jpeg.size(), 20u);
    EXPECT_EQ(jpeg[3], 0xE0);  // the generator writes JFIF first
    return jpeg;
}

uint32_t Read(const Bytes& bytes) {
    GuardedBytes guarded(bytes);
    return ReadExifOrientation(guarded.data(), guarded.size());
}

TEST(ReadExifOrientation, BothLayoutsAndByteOrders) {
    Bytes jpeg = BaseJpeg();
    for (Layout layout : {Layout::ExifFirst, Layout::AfterJfif}) {
        for (bool bigEndian : {false, true}) {
            for (uint16_t value = 1; value <= 9; ++value) {
                SCOPED_TRACE(testing::Message() << "layout " << int(layout) << " big-endian " << bigEndian << " value " << value);
                Bytes file = JpegWithExif(jpeg, layout, ExifSegment(bigEndian, value));
                EXPECT_EQ(Read(file), bigEndian ? uint32_t(value) << 16 : uint32_t(value));
            }
            EXPECT_EQ(Read(JpegWithExif(jpeg, layout, ExifSegment(bigEndian, 0))), 0u);
        }
    }
}

TEST(ReadExifOrientation, OtherFilesAndOtherSegmentOrdersGiveZero) {
    Bytes jpeg = BaseJpeg();
    Bytes segment = ExifSegment(false, 6);
    Bytes app2 = {0xFF, 0xE2, 0x00, 0x06, 'I', 'C', 'C', 0};
    Bytes xmp = {0xFF, 0xE1, 0x00, 0x0A, 'h', 't', 't', 'p', ':', '/', '/', 0};
    Bytes secondJfif(jpeg.begin() + 2, jpeg.begin() + 4 + ((jpeg[4] << 8) | jpeg[5]));

    Bytes afterApp2 = JpegWithExif(jpeg, Layout::AfterJfif, segment);
    size_t jfifEnd = 4 + ((jpeg[4] << 8) | jpeg[5]);
    afterApp2.insert(afterApp2.begin() + jfifEnd, app2.begin(), app2.end());
    Bytes afterXmp = JpegWithExif(jpeg, Layout::AfterJfif, segment);
    afterXmp.insert(afterXmp.begin() + jfifEnd, xmp.begin(), xmp.end());
    Bytes afterTwoJfif = JpegWithExif(jpeg, Layout::AfterJfif, segment);
    afterTwoJfif.insert(afterTwoJfif.begin() + jfifEnd, secondJfif.begin(), secondJfif.end());
    Bytes noSoi = JpegWithExif(jpeg, Layout::ExifFirst, segment);
    noSoi[1] = 0xD9;
    Bytes png = ReadBytes(MediaFixture(L"halves.png"));

    EXPECT_EQ(Read(JpegWithExif(jpeg, Layout::AfterJfif, segment)), 6u);
    for (const Bytes* file : {&afterApp2, &afterXmp, &afterTwoJfif, &noSoi, &png, &jpeg}) {
        EXPECT_EQ(Read(*file), 0u);
    }
}

// Every prefix of a valid file, offsets and counts that point past the end:
// the reader stays inside the bytes (the guard page faults otherwise).
TEST(ReadExifOrientation, HostileOffsetsAndCutFiles) {
    Bytes jpeg = BaseJpeg();
    for (Layout layout : {Layout::ExifFirst, Layout::AfterJfif}) {
        Bytes file = JpegWithExif(jpeg, layout, ExifSegment(true, 8));
        size_t tiff = layout == Layout::ExifFirst ? 12 : 14 + ((jpeg[4] << 8) | jpeg[5]);
        size_t orientationEnd = tiff + 8 + 2 + 24;
        for (size_t n = 0; n <= orientationEnd + 4; ++n) {
            Bytes cut(file.begin(), file.begin() + n);
            EXPECT_EQ(Read(cut), n >= orientationEnd ? 0x80000u : 0u) << n;
        }
        for (uint32_t offset : {0xFFFFFFFFu, 0xFFFFFFF8u, 0x80000000u, 0x00010000u, uint32_t(file.size() - tiff - 1)}) {
            Bytes bad = file;
            bad[tiff + 4] = BYTE(offset >> 24);
            bad[tiff + 5] = BYTE(offset >> 16);
            bad[tiff + 6] = BYTE(offset >> 8);
            bad[tiff + 7] = BYTE(offset);
            EXPECT_EQ(Read(Bytes(bad.begin(), bad.begin() + tiff + 40)), 0u) << offset;
        }
        // A count far beyond the entries present, with no orientation among
        // those that fit.
        Bytes many(file.begin(), file.begin() + tiff + 8 + 2 + 12);
        many[tiff + 8] = 0xFF;
        many[tiff + 9] = 0xFF;
        EXPECT_EQ(Read(many), 0u);
    }
    // A JFIF length that points past the end, or into the last bytes.
    for (BYTE high : {0xFF, 0x00}) {
        Bytes jfif = {0xFF, 0xD8, 0xFF, 0xE0, high, 0x0E, 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M'};
        EXPECT_EQ(Read(jfif), 0u);
    }
    EXPECT_EQ(Read({}), 0u);
    EXPECT_EQ(Read({0xFF}), 0u);
    EXPECT_EQ(Read({0xFF, 0xD8}), 0u);
    EXPECT_EQ(Read({0xFF, 0xD8, 0xFF, 0xE0}), 0u);
    EXPECT_EQ(ReadExifOrientation(nullptr, 10), 0u);
}

TEST(ReadExifOrientation, RandomDamageStaysInside) {
    Bytes base = JpegWithExif(BaseJpeg(), Layout::AfterJfif, ExifSegment(false, 6));
    std::mt19937 random(12345);
    for (int i = 0; i < 3000; ++i) {
        Bytes file(base.begin(), base.begin() + 20 + random() % 60);
        for (int k = 0; k < 3; ++k) file[random() % file.size()] = static_cast<BYTE>(random());
        Read(file);
    }
}

// A 4 x 3 picture whose every pixel differs: red = 40 x column, green =
// 60 x row.
const int kW = 4;
const int kH = 3;

uint32_t SourcePixel(int x, int y) {
    return 0xFF000000u | uint32_t(40 * x + 10) << 16 | uint32_t(60 * y + 10) << 8 | 0x33;
}

HBITMAP MakeSource() {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) pixels.push_back(SourcePixel(x, y));
    }
    return MakeBitmapFromPixels(kW, kH, pixels);
}

// Where source pixel (x, y) lands for each orientation.
void Landing(int value, int x, int y, int* dx, int* dy) {
    switch (value) {
    case 2: *dx = kW - 1 - x; *dy = y; break;
    case 3: *dx = kW - 1 - x; *dy = kH - 1 - y; break;
    case 4: *dx = x; *dy = kH - 1 - y; break;
    case 5: *dx = y; *dy = x; break;
    case 6: *dx = kH - 1 - y; *dy = x; break;
    case 7: *dx = kH - 1 - y; *dy = kW - 1 - x; break;
    default: *dx = y; *dy = kW - 1 - x; break;
    }
}

class ApplyExif : public testing::Test {
protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }
    std::wstring WriteJpeg(const std::wstring& name, const Bytes& bytes) {
        std::wstring path = folder_ / name;
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    HWND window_ = nullptr;
    TempFolder folder_;
};

TEST_F(ApplyExif, SevenTurnsOnRealPixels) {
    Bytes jpeg = BaseJpeg();
    for (Layout layout : {Layout::ExifFirst, Layout::AfterJfif}) {
        for (bool bigEndian : {false, true}) {
            for (int value = 2; value <= 8; ++value) {
                SCOPED_TRACE(testing::Message() << "layout " << int(layout) << " big-endian " << bigEndian << " value " << value);
                std::wstring path = WriteJpeg(L"turn.jpg", JpegWithExif(jpeg, layout, ExifSegment(bigEndian, uint16_t(value))));
                HBITMAP source = MakeSource();
                HBITMAP turned = ApplyExifOrientation(window_, path, source);
                ASSERT_NE(turned, nullptr);
                ASSERT_NE(turned, source);
                BITMAP gone;
                EXPECT_EQ(GetObjectW(source, sizeof(gone), &gone), 0) << "the input is deleted";
                DIBSECTION section;
                EXPECT_NE(GetObjectW(turned, sizeof(section), &section), static_cast<int>(sizeof(section)))
                    << "a device-compatible bitmap, not a DIB section";
                BitmapPixels p = ReadBitmapPixels(turned);
                bool swapped = value >= 5;
                ASSERT_EQ(p.width, swapped ? kH : kW);
                ASSERT_EQ(p.height, swapped ? kW : kH);
                for (int y = 0; y < kH; ++y) {
                    for (int x = 0; x < kW; ++x) {
                        int dx = 0;
                        int dy = 0;
                        Landing(value, x, y, &dx, &dy);
                        EXPECT_EQ(p.at(dx, dy) & 0xFFFFFF, SourcePixel(x, y) & 0xFFFFFF) << x << "," << y;
                    }
                }
                DeleteObject(turned);
            }
        }
    }
}

// The turns at other sizes, odd, one-pixel and thumbnail-sized among them:
// every pixel lands exactly where the turn puts it.
TEST_F(ApplyExif, SevenTurnsAtManySizes) {
    Bytes jpeg = BaseJpeg();
    struct Size {
        int w;
        int h;
    };
    for (const Size& size : {Size{1, 1}, Size{2, 1}, Size{1, 2}, Size{7, 5}, Size{33, 17}, Size{128, 85}, Size{85, 128}}) {
        const int w = size.w;
        const int h = size.h;
        auto source = [](int x, int y) { return 0xFF000000u | uint32_t(x * 7 % 256) << 16 | uint32_t(y * 11 % 256) << 8 | 0x55; };
        for (int value = 2; value <= 8; ++value) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " value " << value);
            std::wstring path = WriteJpeg(L"sized.jpg", JpegWithExif(jpeg, Layout::AfterJfif, ExifSegment(value % 2 == 0, uint16_t(value))));
            std::vector<uint32_t> pixels;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) pixels.push_back(source(x, y));
            }
            HBITMAP turned = ApplyExifOrientation(window_, path, MakeBitmapFromPixels(w, h, pixels));
            ASSERT_NE(turned, nullptr);
            BitmapPixels p = ReadBitmapPixels(turned);
            bool swapped = value >= 5;
            ASSERT_EQ(p.width, swapped ? h : w);
            ASSERT_EQ(p.height, swapped ? w : h);
            int wrong = 0;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    int dx = 0;
                    int dy = 0;
                    switch (value) {
                    case 2: dx = w - 1 - x; dy = y; break;
                    case 3: dx = w - 1 - x; dy = h - 1 - y; break;
                    case 4: dx = x; dy = h - 1 - y; break;
                    case 5: dx = y; dy = x; break;
                    case 6: dx = h - 1 - y; dy = x; break;
                    case 7: dx = h - 1 - y; dy = w - 1 - x; break;
                    default: dx = y; dy = w - 1 - x; break;
                    }
                    if ((p.at(dx, dy) & 0xFFFFFF) != (source(x, y) & 0xFFFFFF) && ++wrong <= 3) {
                        ADD_FAILURE() << "source " << x << "," << y << " not at " << dx << "," << dy;
                    }
                }
            }
            EXPECT_EQ(wrong, 0);
            DeleteObject(turned);
        }
    }
}

TEST_F(ApplyExif, NothingToTurnGivesTheSameHandle) {
    Bytes jpeg = BaseJpeg();
    std::vector<std::wstring> paths = {
        WriteJpeg(L"plain.jpg", jpeg),
        WriteJpeg(L"one.jpg", JpegWithExif(jpeg, Layout::ExifFirst, ExifSegment(false, 1))),
        WriteJpeg(L"one_be.jpg", JpegWithExif(jpeg, Layout::ExifFirst, ExifSegment(true, 1))),
        WriteJpeg(L"nine.jpg", JpegWithExif(jpeg, Layout::AfterJfif, ExifSegment(false, 9))),
        WriteJpeg(L"zero.jpg", JpegWithExif(jpeg, Layout::AfterJfif, ExifSegment(false, 0))),
        WriteJpeg(L"empty.jpg", {}),
        folder_ / L"missing.jpg",
        MediaFixture(L"halves.png"),
    };
    // Both halves set: no orientation of the table.
    Bytes mixed = JpegWithExif(jpeg, Layout::ExifFirst, ExifSegment(false, 6));
    size_t value = 12 + 8 + 2 + 12 + 8;
    mixed[value + 2] = 6;
    paths.push_back(WriteJpeg(L"mixed.jpg", mixed));
    for (const std::wstring& path : paths) {
        SCOPED_TRACE(ToUtf8(path));
        HBITMAP source = MakeSource();
        EXPECT_EQ(ApplyExifOrientation(window_, path, source), source);
        BitmapPixels p = ReadBitmapPixels(source);
        ASSERT_EQ(p.width, kW);
        EXPECT_EQ(p.at(3, 2), SourcePixel(3, 2));
        DeleteObject(source);
    }
    EXPECT_EQ(ApplyExifOrientation(window_, paths[1], nullptr), nullptr);
}

// The worker's image step on a photo: scaled first, then turned.
TEST_F(ApplyExif, ScaledPhotoIsTurned) {
    Bytes photo = ReadBytes(MediaFixture(L"photo_300x200.jpg"));
    ASSERT_EQ(photo[3], 0xE0);
    struct Case {
        bool bigEndian;
        uint16_t value;
        int width;
        int height;
    };
    for (const Case& c : {Case{true, 6, 85, 128}, Case{false, 6, 85, 128}, Case{false, 3, 128, 85}, Case{true, 8, 85, 128}}) {
        SCOPED_TRACE(testing::Message() << c.bigEndian << " " << c.value);
        std::wstring path = WriteJpeg(L"photo.jpg", JpegWithExif(photo, Layout::AfterJfif, ExifSegment(c.bigEndian, c.value)));
        HBITMAP scaled = LoadImageFileScaled(path.c_str(), 128, 0);
        ASSERT_NE(scaled, nullptr);
        BitmapPixels before = ReadBitmapPixels(scaled);
        ASSERT_EQ(before.width, 128);
        ASSERT_EQ(before.height, 85);
        HBITMAP turned = ApplyExifOrientation(window_, path, scaled);
        BitmapPixels after = ReadBitmapPixels(turned);
        EXPECT_EQ(after.width, c.width);
        EXPECT_EQ(after.height, c.height);
        // The gradient runs white to black from top to bottom; after a
        // clockwise quarter turn it runs from right to left.
        if (c.value == 6) {
            EXPECT_EQ(after.at(0, 64) & 0xFFFFFF, before.at(64, 84) & 0xFFFFFF);
            EXPECT_EQ(after.at(84, 64) & 0xFFFFFF, before.at(64, 0) & 0xFFFFFF);
        }
        DeleteObject(turned);
    }
}

}  // namespace
