#include "preview/webp_frames.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "preview/frame_loading.h"
#include "preview/preview_state.h"
#include "thumbnails/image_bitmap.h"

namespace {

HBITMAP BitmapFromBgra(const uint8_t* pixels, int width, int height) {
    BITMAPINFOHEADER header = DibHeader(width, -height, 32);
    header.biSizeImage = static_cast<DWORD>(width) * height * 4;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDib(header, &bits);
    if (bitmap) memcpy(bits, pixels, header.biSizeImage);
    return bitmap;
}

}  // namespace

HBITMAP LoadWebpFrame(const char* ansiPath, TFrameRect* placement) {
    if (!EnsureAnimationFile(ansiPath)) return nullptr;
    WebPData file = {animFileData, static_cast<size_t>(animFileSize)};
    WebPDemuxer* demuxer = WebPDemux(&file);
    if (!demuxer) return nullptr;
    int frames = static_cast<int>(WebPDemuxGetI(demuxer, WEBP_FF_FRAME_COUNT));
    if (animFrameIndex >= frames || animFrameIndex < 0) animFrameIndex = 0;
    HBITMAP bitmap = nullptr;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demuxer, animFrameIndex + 1, &frame)) {
        *placement = {frame.x_offset, frame.y_offset, frame.width, frame.height};
        animDelayMs = frame.duration == 0 ? 100 : frame.duration;
        animDisposal = (frame.dispose_method == WEBP_MUX_DISPOSE_BACKGROUND ? 1 : 0) +
                       (frame.blend_method == WEBP_MUX_NO_BLEND ? 2 : 0) + (frames >= 2 ? 8 : 0);
        previewAlpha = frame.has_alpha == 1 ? 1 : 0;
        int width = 0, height = 0;
        uint8_t* pixels = WebPDecodeBGRA(frame.fragment.bytes, frame.fragment.size, &width, &height);
        if (pixels) {
            bitmap = BitmapFromBgra(pixels, width, height);
            WebPFree(pixels);
        }
        WebPDemuxReleaseIterator(&frame);
    }
    WebPDemuxDelete(demuxer);
    return bitmap;
}
