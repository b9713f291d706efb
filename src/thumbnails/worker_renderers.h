// The renderers that the worker's steps ask for a picture, one call each.
// The worker reaches every renderer through these calls only, so a renderer
// is wired in here, in one place. Each returns a bitmap that the caller owns,
// or null when the file gives no picture.
#pragma once

#include <windows.h>

#include "thumbnails/worker_params.h"

// Archives: the picture of the first member that renders, or null; *alpha
// is 1 when its colours are premultiplied (its tile blends it), else 0.
HBITMAP WorkerZipPicture(const wchar_t* path, TWorkerParams* params, int* alpha);
HBITMAP WorkerArchivePicture(const wchar_t* path, TWorkerParams* params, int* alpha);

// The cover of an MP3 file; `title` (260 characters) receives its caption.
HBITMAP WorkerMp3Cover(wchar_t* path, wchar_t* title);

// A font sample of width x height; `faceName` (260 characters) receives the
// face name and `pageIndex` the face actually drawn.
HBITMAP WorkerFontSample(wchar_t* path, int width, int height, int pointSize, const wchar_t* sampleJp,
                         const wchar_t* sampleEn, int sampleOnly, wchar_t* faceName, int* pageIndex);

// A screenshot of an HTML page taken by the browser.
HBITMAP WorkerHtmlScreenshot(const wchar_t* browser, const wchar_t* path);

// An image scaled to fit a size x size square.
HBITMAP WorkerImage(const wchar_t* path, int size, int speedMode);

// The picture of a JPEG file turned by its EXIF orientation; returns the
// picture to use from then on (the input itself, or a new one after deleting
// the input).
HBITMAP WorkerExifTurn(HWND window, const wchar_t* path, HBITMAP picture);

// A frame of a video at the given second.
HBITMAP WorkerVideoFrame(const wchar_t* path, int seconds);

// A page of a DOCX document, and the first lines of a text file, drawn at
// width x height in the given face.
HBITMAP WorkerDocxPage(HWND window, const wchar_t* path, int width, int height, const wchar_t* fontName);
HBITMAP WorkerTextFile(const wchar_t* path, int width, int height, const wchar_t* fontName);
