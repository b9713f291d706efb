#include "thumbnails/worker_renderers.h"

#include "thumbnails/renderers/archive_thumbnail.h"
#include "thumbnails/renderers/docx_page.h"
#include "thumbnails/renderers/exif_orientation.h"
#include "thumbnails/renderers/font_sample.h"
#include "thumbnails/renderers/html_screenshot.h"
#include "thumbnails/renderers/image_decoding.h"
#include "thumbnails/renderers/mp3_info.h"
#include "thumbnails/renderers/text_file.h"
#include "thumbnails/renderers/video_frame.h"

// Renderers not built yet yield nothing, so the item goes on to the next step.
// Replace each body with the call of its renderer when that renderer lands.

HBITMAP WorkerZipPicture(const wchar_t* path, TWorkerParams* params, int* alpha) {
    HBITMAP slot = nullptr;
    *alpha = 0;
    MakeZipThumbnail(path, params, &slot, alpha);
    return slot;
}

HBITMAP WorkerArchivePicture(const wchar_t* path, TWorkerParams* params, int* alpha) {
    HBITMAP slot = nullptr;
    *alpha = 0;
    MakeArchiveThumbnail(path, params, &slot, alpha);
    return slot;
}

HBITMAP WorkerMp3Cover(wchar_t* path, wchar_t* title) {
    return ReadMp3Info(path, title);
}

HBITMAP WorkerFontSample(wchar_t* path, int width, int height, int pointSize, const wchar_t* sampleJp,
                         const wchar_t* sampleEn, int sampleOnly, wchar_t* faceName, int* pageIndex) {
    return RenderFontSample(path, width, height, pointSize, sampleJp, sampleEn, sampleOnly, faceName, pageIndex);
}

HBITMAP WorkerHtmlScreenshot(const wchar_t* browser, const wchar_t* path) {
    return RenderHtmlScreenshot(browser, path);
}

HBITMAP WorkerImage(const wchar_t* path, int size, int speedMode) {
    return LoadImageFileScaled(path, size, speedMode);
}

HBITMAP WorkerExifTurn(HWND window, const wchar_t* path, HBITMAP picture) {
    return ApplyExifOrientation(window, path, picture);
}

HBITMAP WorkerVideoFrame(const wchar_t* path, int seconds) {
    return GrabVideoFrame(path, seconds);
}

HBITMAP WorkerDocxPage(HWND window, const wchar_t* path, int width, int height, const wchar_t* fontName) {
    return RenderDocx(window, path, width, height, fontName);
}

HBITMAP WorkerTextFile(const wchar_t* path, int width, int height, const wchar_t* fontName) {
    return RenderTextFile(path, width, height, fontName);
}
