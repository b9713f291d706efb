#include "thumbnails/renderers/image_decoding.h"

#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "thumbnails/image_bitmap.h"
#include "thumbnails/renderers/safe_release.h"

namespace {

// mingw's headers stop at Fant; the value is the one Windows 10 defines.
const WICBitmapInterpolationMode kInterpolationHighQualityCubic = static_cast<WICBitmapInterpolationMode>(4);

// The image bitmap: top-down, 32 bits, rows of width x 4 bytes. Sizes whose
// byte count does not fit a 32-bit buffer size are refused.
HBITMAP CreateImageSection(UINT width, UINT height, void** bits) {
    *bits = nullptr;
    if (width == 0 || height == 0) return nullptr;
    if (static_cast<unsigned long long>(width) * height * 4 > INT_MAX) return nullptr;
    return CreateDib(DibHeader(static_cast<LONG>(width), -static_cast<LONG>(height), 32), bits);
}

HRESULT CreateFactory(IWICImagingFactory** factory) {
    return CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                            reinterpret_cast<void**>(factory));
}

// The WIC objects behind frame 0 of one image, converted to 32bppBGRA;
// released together, in reverse order of making.
struct TWicFrame {
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    IWICBitmapSource* source = nullptr;
};

void ReleaseWicFrame(TWicFrame* wic) {
    SafeRelease(wic->source);
    SafeRelease(wic->converter);
    SafeRelease(wic->frame);
    SafeRelease(wic->decoder);
    SafeRelease(wic->stream);
    SafeRelease(wic->factory);
}

// Frame 0 of the decoder converted to 32bppBGRA, as a bitmap source.
HRESULT ConvertFirstFrame(TWicFrame* wic) {
    HRESULT hr = wic->decoder->GetFrame(0, &wic->frame);
    if (SUCCEEDED(hr)) hr = wic->factory->CreateFormatConverter(&wic->converter);
    if (SUCCEEDED(hr)) {
        hr = wic->converter->Initialize(wic->frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom);
    }
    if (SUCCEEDED(hr)) hr = wic->converter->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(&wic->source));
    return hr;
}

HRESULT OpenFileFrame(const wchar_t* path, TWicFrame* wic) {
    HRESULT hr = CreateFactory(&wic->factory);
    if (SUCCEEDED(hr)) {
        hr = wic->factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                     &wic->decoder);
    }
    if (SUCCEEDED(hr)) hr = ConvertFirstFrame(wic);
    return hr;
}

}  // namespace

HBITMAP CreateDibFromWicSource(IWICBitmapSource* source) {
    if (!source) return nullptr;
    WICPixelFormatGUID format = {};
    if (FAILED(source->GetPixelFormat(&format))) return nullptr;
    if (std::memcmp(&format, &GUID_WICPixelFormat32bppBGRA, sizeof(format)) != 0) return nullptr;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(source->GetSize(&width, &height))) return nullptr;
    void* bits = nullptr;
    HBITMAP section = CreateImageSection(width, height, &bits);
    if (!section) return nullptr;
    // A copy that fails part-way still leaves a usable bitmap.
    source->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(bits));
    return section;
}

HBITMAP LoadImageFile(const wchar_t* path) {
    TWicFrame wic;
    HBITMAP result = SUCCEEDED(OpenFileFrame(path, &wic)) ? CreateDibFromWicSource(wic.source) : nullptr;
    ReleaseWicFrame(&wic);
    return result;
}

HBITMAP LoadImageFromMemory(const BYTE* data, DWORD size) {
    if (!data) return nullptr;
    TWicFrame wic;
    HBITMAP result = nullptr;

    HRESULT hr = CreateFactory(&wic.factory);
    if (SUCCEEDED(hr)) hr = wic.factory->CreateStream(&wic.stream);
    // The stream only reads the caller's bytes.
    if (SUCCEEDED(hr)) hr = wic.stream->InitializeFromMemory(const_cast<BYTE*>(data), size);
    if (SUCCEEDED(hr)) {
        hr = wic.factory->CreateDecoderFromStream(wic.stream, nullptr, WICDecodeMetadataCacheOnDemand, &wic.decoder);
    }
    if (SUCCEEDED(hr)) hr = ConvertFirstFrame(&wic);
    if (SUCCEEDED(hr)) result = CreateDibFromWicSource(wic.source);

    ReleaseWicFrame(&wic);
    return result;
}

HBITMAP LoadImageFileScaled(const wchar_t* path, int size, int speedMode) {
    TWicFrame wic;
    IWICBitmapScaler* scaler = nullptr;
    HBITMAP result = nullptr;

    HRESULT hr = OpenFileFrame(path, &wic);
    if (SUCCEEDED(hr)) hr = wic.factory->CreateBitmapScaler(&scaler);

    UINT targetWidth = 0;
    UINT targetHeight = 0;
    if (SUCCEEDED(hr)) {
        UINT w = 0;
        UINT h = 0;
        wic.source->GetSize(&w, &h);
        if (w > 0 && h > 0 && size > 0) {
            double s = std::min(static_cast<double>(size) / w, static_cast<double>(size) / h);
            // Truncated, not rounded: the longer side may come out one short.
            targetWidth = static_cast<UINT>(w * s);
            targetHeight = static_cast<UINT>(h * s);
        }
        if (targetWidth == 0 || targetHeight == 0) hr = E_FAIL;
    }
    if (SUCCEEDED(hr)) {
        WICBitmapInterpolationMode mode =
            speedMode == 1 ? WICBitmapInterpolationModeNearestNeighbor : kInterpolationHighQualityCubic;
        hr = scaler->Initialize(wic.source, targetWidth, targetHeight, mode);
    }
    if (SUCCEEDED(hr)) {
        void* bits = nullptr;
        result = CreateImageSection(targetWidth, targetHeight, &bits);
        // The scaler pulls the decoded rows straight into the small section.
        if (result) scaler->CopyPixels(nullptr, targetWidth * 4, targetWidth * targetHeight * 4, static_cast<BYTE*>(bits));
    }

    SafeRelease(scaler);
    ReleaseWicFrame(&wic);
    return result;
}
