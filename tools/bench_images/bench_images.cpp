// bench_images FOLDER [SIZE]: makes the image step's tile (scaled decode,
// the EXIF turn, then the mask and the tile) of every .jpg in FOLDER in both
// speed modes, and prints milliseconds per photo with the share of each part.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "thumbnails/renderers/exif_orientation.h"
#include "thumbnails/renderers/image_decoding.h"
#include "thumbnails/tiles.h"
#include "../bench_clock.h"

namespace {

std::vector<std::wstring> Photos(const std::wstring& folder) {
    std::vector<std::wstring> paths;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.jpg").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return paths;
    do {
        paths.push_back(folder + L"\\" + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return paths;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_images FOLDER [SIZE]\n");
        return 2;
    }
    int size = argc > 2 ? _wtoi(argv[2]) : 128;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<std::wstring> photos = Photos(argv[1]);
    if (photos.empty()) {
        fprintf(stderr, "bench_images: no .jpg files\n");
        return 1;
    }
    // Warm the codec and the file cache once.
    HBITMAP warm = LoadImageFileScaled(photos[0].c_str(), size, 0);
    if (warm) DeleteObject(warm);

    for (int speedMode : {0, 1}) {
        double decode = 0;
        double turn = 0;
        double fit = 0;
        int made = 0;
        int turned = 0;
        for (const std::wstring& path : photos) {
            double t0 = Now();
            HBITMAP picture = LoadImageFileScaled(path.c_str(), size, speedMode);
            double t1 = Now();
            HBITMAP result = ApplyExifOrientation(nullptr, path, picture);
            double t2 = Now();
            // As the worker adds a JPEG: the mask first, then the tile,
            // which takes the picture.
            HBITMAP mask = result ? MakeTileMask(result, size) : nullptr;
            HBITMAP tile = result ? ScaleToTile(result, size, 0) : nullptr;
            double t3 = Now();
            decode += t1 - t0;
            turn += t2 - t1;
            fit += t3 - t2;
            if (tile) ++made;
            if (result != picture) ++turned;
            if (tile) DeleteObject(tile);
            if (mask) DeleteObject(mask);
        }
        double n = static_cast<double>(photos.size());
        printf("speedMode %d: %.2f ms/photo (decode+scale %.2f, EXIF read+turn %.3f, mask+tile %.3f) %d tiles, %d turned\n",
               speedMode, (decode + turn + fit) / n, decode / n, turn / n, fit / n, made, turned);
    }
    // Where the decode time goes: the decoder and frame 0 alone, no pixels
    // copied (Wine's JPEG decoder decodes the whole image here).
    IWICImagingFactory* factory = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(&factory));
    if (factory) {
        double open = 0;
        for (const std::wstring& path : photos) {
            double t0 = Now();
            IWICBitmapDecoder* decoder = nullptr;
            IWICBitmapFrameDecode* frame = nullptr;
            factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
            if (decoder) decoder->GetFrame(0, &frame);
            if (frame) frame->Release();
            if (decoder) decoder->Release();
            open += Now() - t0;
        }
        printf("WIC decoder and frame 0 alone: %.2f ms/photo\n", open / photos.size());
        factory->Release();
    }
    CoUninitialize();
    return 0;
}
