#include "thumbnails/renderers/image_decoding.h"

#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// mingw's headers stop at Fant; the value is the one Windows 10 defines.
const WICBitmapInterpolationMode kInterpolationHighQualityCubic = static_cast<WICBitmapInterpolationMode>(4);

template <typename T>
void SafeRelease(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

// The image bitmap: top-down, 32 bits, rows of width x 4 bytes. Sizes whose
// byte count does not fit a 32-bit buffer size are refused.
HBITMAP CreateImageSection(UINT width, UINT height, void** bits) {
    *bits = nullptr;
    if (width == 0 || height == 0) return nullptr;
    if (static_cast<unsigned long long>(width) * height * 4 > INT_MAX) return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (section && !*bits) {
        DeleteObject(section);
        return nullptr;
    }
    return section;
}

HRESULT CreateFactory(IWICImagingFactory** factory) {
    return CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                            reinterpret_cast<void**>(factory));
}

// Frame 0 of the decoder converted to 32bppBGRA, as a bitmap source.
HRESULT ConvertFirstFrame(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, IWICBitmapFrameDecode** frame,
                          IWICFormatConverter** converter, IWICBitmapSource** source) {
    HRESULT hr = decoder->GetFrame(0, frame);
    if (SUCCEEDED(hr)) hr = factory->CreateFormatConverter(converter);
    if (SUCCEEDED(hr)) {
        hr = (*converter)->Initialize(*frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                      WICBitmapPaletteTypeCustom);
    }
    if (SUCCEEDED(hr)) hr = (*converter)->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(source));
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
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    IWICBitmapSource* source = nullptr;
    HBITMAP result = nullptr;

    HRESULT hr = CreateFactory(&factory);
    if (SUCCEEDED(hr)) {
        hr = factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
    }
    if (SUCCEEDED(hr)) hr = ConvertFirstFrame(factory, decoder, &frame, &converter, &source);
    if (SUCCEEDED(hr)) result = CreateDibFromWicSource(source);

    SafeRelease(source);
    SafeRelease(converter);
    SafeRelease(frame);
    SafeRelease(decoder);
    SafeRelease(factory);
    return result;
}

HBITMAP LoadImageFromMemory(const BYTE* data, DWORD size) {
    if (!data) return nullptr;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    IWICBitmapSource* source = nullptr;
    HBITMAP result = nullptr;

    HRESULT hr = CreateFactory(&factory);
    if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
    // The stream only reads the caller's bytes.
    if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(const_cast<BYTE*>(data), size);
    if (SUCCEEDED(hr)) hr = factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
    if (SUCCEEDED(hr)) hr = ConvertFirstFrame(factory, decoder, &frame, &converter, &source);
    if (SUCCEEDED(hr)) result = CreateDibFromWicSource(source);

    SafeRelease(source);
    SafeRelease(converter);
    SafeRelease(frame);
    SafeRelease(decoder);
    SafeRelease(stream);
    SafeRelease(factory);
    return result;
}

HBITMAP LoadImageFileScaled(const wchar_t* path, int size, int speedMode) {
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    IWICBitmapSource* source = nullptr;
    IWICBitmapScaler* scaler = nullptr;
    HBITMAP result = nullptr;

    HRESULT hr = CreateFactory(&factory);
    if (SUCCEEDED(hr)) {
        hr = factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
    }
    if (SUCCEEDED(hr)) hr = ConvertFirstFrame(factory, decoder, &frame, &converter, &source);
    if (SUCCEEDED(hr)) hr = factory->CreateBitmapScaler(&scaler);

    UINT targetWidth = 0;
    UINT targetHeight = 0;
    if (SUCCEEDED(hr)) {
        UINT w = 0;
        UINT h = 0;
        source->GetSize(&w, &h);
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
        hr = scaler->Initialize(source, targetWidth, targetHeight, mode);
    }
    if (SUCCEEDED(hr)) {
        void* bits = nullptr;
        result = CreateImageSection(targetWidth, targetHeight, &bits);
        // The scaler pulls the decoded rows straight into the small section.
        if (result) scaler->CopyPixels(nullptr, targetWidth * 4, targetWidth * targetHeight * 4, static_cast<BYTE*>(bits));
    }

    SafeRelease(scaler);
    SafeRelease(source);
    SafeRelease(converter);
    SafeRelease(frame);
    SafeRelease(decoder);
    SafeRelease(factory);
    return result;
}
