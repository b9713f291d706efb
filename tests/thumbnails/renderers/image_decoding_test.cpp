// Decoding through the platform's imaging component: sizes, formats, the
// first frame only, straight alpha and files that are no images.
#include <windows.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_pictures.h"
#include "support/test_files.h"
#include "thumbnails/renderers/image_decoding.h"

namespace {

const uint32_t kRed = 0xFFFF0000;
const uint32_t kBlue = 0xFF0000FF;
const uint32_t kLime = 0xFF00FF00;

std::vector<unsigned char> Fixture(const wchar_t* name) {
    return ReadBytes(MediaFixture(name));
}

HBITMAP FromMemory(const std::vector<unsigned char>& bytes) {
    return LoadImageFromMemory(bytes.empty() ? nullptr : bytes.data(), static_cast<DWORD>(bytes.size()));
}

// The header that the system reports for the section; it gives the height
// of a top-down section as a positive number.
void ExpectImageHeader(HBITMAP bitmap, int width, int height) {
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBmih.biSize, 40u);
    EXPECT_EQ(section.dsBmih.biWidth, width);
    EXPECT_EQ(std::abs(section.dsBmih.biHeight), height);
    EXPECT_EQ(section.dsBmih.biPlanes, 1);
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(section.dsBm.bmWidthBytes, width * 4);
}

void ExpectHalves(HBITMAP bitmap, int tolerance) {
    ASSERT_NE(bitmap, nullptr);
    ExpectImageHeader(bitmap, 12, 8);
    BitmapPixels p = ReadBitmapPixels(bitmap);
    ASSERT_EQ(p.width, 12);
    for (int y : {0, 4, 7}) {
        EXPECT_TRUE(NearColour(p.at(1, y), kRed, tolerance)) << ColourText(p.at(1, y));
        EXPECT_TRUE(NearColour(p.at(10, y), kBlue, tolerance)) << ColourText(p.at(10, y));
    }
}

struct ScaleCase {
    const wchar_t* file;
    int size;
    int width;
    int height;  // 0: no bitmap
};

class ScaledSize : public testing::TestWithParam<ScaleCase> {};

TEST_P(ScaledSize, FitsTheSquareWithTruncatedSides) {
    const ScaleCase& c = GetParam();
    for (int speedMode : {0, 1, 2}) {
        SCOPED_TRACE(speedMode);
        HBITMAP bitmap = LoadImageFileScaled(MediaFixture(c.file).c_str(), c.size, speedMode);
        if (c.height == 0) {
            EXPECT_EQ(bitmap, nullptr);
            continue;
        }
        ASSERT_NE(bitmap, nullptr);
        ExpectImageHeader(bitmap, c.width, c.height);
        BitmapPixels p = ReadBitmapPixels(bitmap);
        EXPECT_TRUE(NearColour(p.at(c.width - 1, c.height - 1), 0xFF336699, 0)) << ColourText(p.at(c.width - 1, c.height - 1));
        DeleteObject(bitmap);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScaledSize,
                         testing::Values(ScaleCase{L"size_300x200.png", 128, 128, 85},
                                         ScaleCase{L"size_200x300.png", 128, 85, 128},
                                         ScaleCase{L"size_49x7.png", 128, 127, 18},
                                         ScaleCase{L"size_64x32.png", 128, 128, 64},
                                         ScaleCase{L"size_1x1.png", 128, 128, 128},
                                         ScaleCase{L"size_1000x3.png", 96, 0, 0},
                                         ScaleCase{L"size_300x200.png", 0, 0, 0},
                                         ScaleCase{L"size_300x200.png", -5, 0, 0}));

class Formats : public testing::TestWithParam<const wchar_t*> {};

TEST_P(Formats, DecodeFromFileAndFromMemory) {
    bool lossy = wcsstr(GetParam(), L".jpg") != nullptr;
    HBITMAP fromFile = LoadImageFile(MediaFixture(GetParam()).c_str());
    ExpectHalves(fromFile, lossy ? 40 : 0);
    std::vector<unsigned char> bytes = Fixture(GetParam());
    ASSERT_FALSE(bytes.empty());
    HBITMAP fromMemory = FromMemory(bytes);
    ExpectHalves(fromMemory, lossy ? 40 : 0);
    EXPECT_EQ(ReadBitmapPixels(fromFile).pixels, ReadBitmapPixels(fromMemory).pixels);
    DeleteObject(fromFile);
    DeleteObject(fromMemory);
}

INSTANTIATE_TEST_SUITE_P(Wic, Formats,
                         testing::Values(L"halves.png", L"halves.jpg", L"halves_progressive.jpg", L"halves.gif",
                                         L"halves.bmp", L"halves.tif", L"halves.ico"));

TEST(ImageDecoding, WebPWhereThePlatformHasADecoder) {
    HBITMAP bitmap = LoadImageFile(MediaFixture(L"halves.webp").c_str());
    if (!bitmap) {
        IWICImagingFactory* factory = nullptr;
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)));
        IWICBitmapDecoder* decoder = nullptr;
        HRESULT hr = factory->CreateDecoderFromFilename(MediaFixture(L"halves.webp").c_str(), nullptr, GENERIC_READ,
                                                        WICDecodeMetadataCacheOnDemand, &decoder);
        if (decoder) decoder->Release();
        factory->Release();
        if (hr == WINCODEC_ERR_COMPONENTNOTFOUND) GTEST_SKIP() << "the platform's WIC has no WebP decoder";
        FAIL() << "WebP decoder present but no bitmap, hr " << std::hex << hr;
    }
    ExpectHalves(bitmap, 0);
    DeleteObject(bitmap);
}

struct FirstFrameCase {
    const wchar_t* file;
    int width;
    int height;
    uint32_t colour;
};

class FirstFrame : public testing::TestWithParam<FirstFrameCase> {};

TEST_P(FirstFrame, OnlyFrameZeroIsRead) {
    const FirstFrameCase& c = GetParam();
    HBITMAP fromFile = LoadImageFile(MediaFixture(c.file).c_str());
    HBITMAP fromMemory = FromMemory(Fixture(c.file));
    for (HBITMAP bitmap : {fromFile, fromMemory}) {
        ASSERT_NE(bitmap, nullptr);
        BitmapPixels p = ReadBitmapPixels(bitmap);
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
        for (uint32_t pixel : p.pixels) ASSERT_EQ(pixel, c.colour) << ColourText(pixel);
        DeleteObject(bitmap);
    }
}

INSTANTIATE_TEST_SUITE_P(Wic, FirstFrame,
                         testing::Values(FirstFrameCase{L"frames.gif", 10, 6, kRed},
                                         FirstFrameCase{L"pages.tif", 10, 6, kLime},
                                         FirstFrameCase{L"entries.ico", 16, 16, kRed}));

TEST(ImageDecoding, PngAlphaStaysStraight) {
    HBITMAP bitmap = LoadImageFile(MediaFixture(L"alpha.png").c_str());
    ASSERT_NE(bitmap, nullptr);
    BitmapPixels p = ReadBitmapPixels(bitmap);
    ASSERT_EQ(p.width, 2);
    EXPECT_EQ(p.at(0, 0), 0x80FF0000u) << ColourText(p.at(0, 0));
    EXPECT_EQ(p.at(1, 0), 0x0000FF00u) << ColourText(p.at(1, 0));
    DeleteObject(bitmap);

    HBITMAP scaled = LoadImageFileScaled(MediaFixture(L"alpha.png").c_str(), 4, 1);
    ASSERT_NE(scaled, nullptr);
    p = ReadBitmapPixels(scaled);
    ASSERT_EQ(p.width, 4);
    EXPECT_EQ(p.at(0, 0), 0x80FF0000u) << ColourText(p.at(0, 0));
    EXPECT_EQ(p.at(3, 1), 0x0000FF00u) << ColourText(p.at(3, 1));
    DeleteObject(scaled);
}

TEST(ImageDecoding, TopRowComesFirstInMemory) {
    for (HBITMAP bitmap : {LoadImageFile(MediaFixture(L"rows.png").c_str()),
                           LoadImageFileScaled(MediaFixture(L"rows.png").c_str(), 6, 1)}) {
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION section = {};
        ASSERT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
        const uint32_t* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
        int last = section.dsBm.bmWidth * section.dsBm.bmHeight - 1;
        EXPECT_EQ(bits[0], kRed) << ColourText(bits[0]);
        EXPECT_EQ(bits[last], kBlue) << ColourText(bits[last]);
        DeleteObject(bitmap);
    }
}

TEST(ImageDecoding, JpegIsOpaqueEverywhere) {
    for (const wchar_t* name : {L"halves.jpg", L"photo_300x200.jpg"}) {
        HBITMAP bitmap = LoadImageFile(MediaFixture(name).c_str());
        ASSERT_NE(bitmap, nullptr);
        for (uint32_t pixel : ReadBitmapPixels(bitmap).pixels) ASSERT_EQ(pixel >> 24, 0xFFu);
        DeleteObject(bitmap);
    }
}

TEST(ImageDecoding, FilesThatAreNoImagesGiveNone) {
    TempFolder folder;
    std::wstring text = folder / L"notes.png";
    std::wstring empty = folder / L"empty.jpg";
    std::wstring missing = folder / L"missing.png";
    ASSERT_TRUE(WriteText(text, "just some words, no picture\r\n"));
    ASSERT_TRUE(WriteBytes(empty, {}));
    for (const std::wstring& path : {text, empty, missing}) {
        SCOPED_TRACE(ToUtf8(path));
        EXPECT_EQ(LoadImageFile(path.c_str()), nullptr);
        EXPECT_EQ(LoadImageFileScaled(path.c_str(), 128, 0), nullptr);
        EXPECT_EQ(FromMemory(ReadBytes(path)), nullptr);
    }
    EXPECT_EQ(LoadImageFromMemory(nullptr, 100), nullptr);
}

// Cut or damaged files may decode in part or not at all; neither may crash
// or give a bitmap of another size.
TEST(ImageDecoding, TruncatedAndDamagedFilesAreSafe) {
    TempFolder folder;
    for (const wchar_t* name : {L"halves.png", L"halves.jpg", L"halves.gif", L"halves.bmp", L"halves.tif",
                                L"halves.ico", L"frames.gif", L"halves_progressive.jpg"}) {
        std::vector<unsigned char> whole = Fixture(name);
        ASSERT_GT(whole.size(), 40u);
        std::vector<std::vector<unsigned char>> damaged;
        for (size_t cut : {size_t(8), size_t(30), whole.size() / 2, whole.size() - 3}) {
            damaged.emplace_back(whole.begin(), whole.begin() + cut);
        }
        // Garbled headers may announce any size; only cut files keep theirs.
        std::vector<unsigned char> garbled = whole;
        for (size_t i = 20; i < garbled.size(); i += 7) garbled[i] ^= 0xA5;
        damaged.push_back(garbled);
        for (const std::vector<unsigned char>& bytes : damaged) {
            bool cut = bytes.size() < whole.size();
            SCOPED_TRACE(testing::Message() << ToUtf8(name) << " " << bytes.size() << " bytes");
            std::wstring path = folder / (std::wstring(L"damaged_") + name);
            ASSERT_TRUE(WriteBytes(path, bytes));
            for (HBITMAP bitmap : {LoadImageFile(path.c_str()), FromMemory(bytes)}) {
                if (!bitmap) continue;
                BitmapPixels p = ReadBitmapPixels(bitmap);
                if (cut) {
                    EXPECT_TRUE((p.width == 12 && p.height == 8) || (p.width == 10 && p.height == 6)) << p.width << "x" << p.height;
                }
                DeleteObject(bitmap);
            }
            HBITMAP scaled = LoadImageFileScaled(path.c_str(), 24, 0);
            if (scaled) DeleteObject(scaled);
        }
    }
}

class WicSources : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory_)));
    }
    void TearDown() override {
        if (factory_) factory_->Release();
    }
    IWICBitmap* MakeSource(const WICPixelFormatGUID& format, UINT width, UINT height, UINT bytesPerPixel,
                           std::vector<BYTE>& pixels) {
        IWICBitmap* bitmap = nullptr;
        factory_->CreateBitmapFromMemory(width, height, format, width * bytesPerPixel,
                                         static_cast<UINT>(pixels.size()), pixels.data(), &bitmap);
        return bitmap;
    }
    // The whole image scaled by the platform's own scaler.
    std::vector<uint32_t> Scaled(const wchar_t* path, UINT width, UINT height, WICBitmapInterpolationMode mode) {
        IWICBitmapDecoder* decoder = nullptr;
        IWICBitmapFrameDecode* frame = nullptr;
        IWICFormatConverter* converter = nullptr;
        IWICBitmapScaler* scaler = nullptr;
        std::vector<uint32_t> out(width * height);
        factory_->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
        if (decoder) decoder->GetFrame(0, &frame);
        factory_->CreateFormatConverter(&converter);
        if (frame) converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom);
        factory_->CreateBitmapScaler(&scaler);
        scaler->Initialize(converter, width, height, mode);
        scaler->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE*>(out.data()));
        scaler->Release();
        converter->Release();
        if (frame) frame->Release();
        if (decoder) decoder->Release();
        return out;
    }
    IWICImagingFactory* factory_ = nullptr;
};

TEST_F(WicSources, DibHoldsTheSourcePixelsAndLeavesTheSourceAlone) {
    std::vector<BYTE> pixels(3 * 2 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i * 11);
    IWICBitmap* source = MakeSource(GUID_WICPixelFormat32bppBGRA, 3, 2, 4, pixels);
    ASSERT_NE(source, nullptr);
    source->AddRef();
    HBITMAP bitmap = CreateDibFromWicSource(source);
    EXPECT_EQ(source->Release(), 1u);
    ASSERT_NE(bitmap, nullptr);
    ExpectImageHeader(bitmap, 3, 2);
    DIBSECTION section = {};
    GetObjectW(bitmap, sizeof(section), &section);
    EXPECT_EQ(memcmp(section.dsBm.bmBits, pixels.data(), pixels.size()), 0);
    DeleteObject(bitmap);
    source->Release();
}

TEST_F(WicSources, OtherPixelFormatsGiveNone) {
    std::vector<BYTE> rgb(3 * 2 * 3, 0x40);
    IWICBitmap* bgr = MakeSource(GUID_WICPixelFormat24bppBGR, 3, 2, 3, rgb);
    std::vector<BYTE> premultiplied(3 * 2 * 4, 0x40);
    IWICBitmap* pbgra = MakeSource(GUID_WICPixelFormat32bppPBGRA, 3, 2, 4, premultiplied);
    ASSERT_NE(bgr, nullptr);
    ASSERT_NE(pbgra, nullptr);
    EXPECT_EQ(CreateDibFromWicSource(bgr), nullptr);
    EXPECT_EQ(CreateDibFromWicSource(pbgra), nullptr);
    EXPECT_EQ(CreateDibFromWicSource(nullptr), nullptr);
    bgr->Release();
    pbgra->Release();
}

// Speed mode 1 alone asks for nearest neighbour; 0 and 2 for cubic.
TEST_F(WicSources, SpeedModeChoosesTheInterpolation) {
    std::wstring path = MediaFixture(L"halves.png");
    std::vector<uint32_t> nearest = Scaled(path.c_str(), 128, 85, WICBitmapInterpolationModeNearestNeighbor);
    std::vector<uint32_t> cubic = Scaled(path.c_str(), 128, 85, static_cast<WICBitmapInterpolationMode>(4));
    for (int speedMode : {0, 1, 2}) {
        HBITMAP bitmap = LoadImageFileScaled(path.c_str(), 128, speedMode);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(ReadBitmapPixels(bitmap).pixels, speedMode == 1 ? nearest : cubic) << "speed mode " << speedMode;
        DeleteObject(bitmap);
    }
    if (nearest == cubic) GTEST_SKIP() << "the platform's WIC scaler gives the same pixels for both modes";
}

}  // namespace
