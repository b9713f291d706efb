// Drawing animation frames onto the preview's canvas and applying their
// disposal. Canvases and frames are 32-bit bitmaps; a frame drawn by
// blending holds premultiplied colours. The cleared areas are the theme
// background for GIF and WebP and transparent black for APNG.
#pragma once

#include <windows.h>

#include "preview/frame_rect.h"

// A copy of the bitmap as a DIB section of the same size; null for null.
HBITMAP CopyBitmap(HBITMAP bitmap);

// A new canvas, grown to hold the frame's rectangle (size is raised to
// match), with the old canvas at (0, 0), the whole of it cleared to the theme
// background for frame index 0, and the frame blended at its place. The old
// canvas is consumed; when the grown canvas cannot be made it is returned
// as it is and size is left alone.
HBITMAP ComposeGifFrame(HBITMAP canvas, HBITMAP frame, const TFrameRect& placement, BITMAP* size,
                        int frameIndex);

// The canvas for the next GIF frame: a copy of the previous picture for
// code 3, of the current one with the frame's rectangle cleared for code 2,
// else of the current one. Codes are taken by absolute value less 8 once.
HBITMAP DisposeGifFrame(HBITMAP current, HBITMAP previous, int code, const TFrameRect& placement);

// The canvas for the next APNG frame: for code 3 a copy of the previous
// picture (the canvas is deleted); for code 2 the canvas with the frame's
// rectangle cleared to transparent black; else the canvas unchanged.
HBITMAP DisposeApngFrame(HBITMAP canvas, HBITMAP previous, int code, const TFrameRect& placement);

// A copy of the canvas with the WebP frame drawn at its place, after the
// clearing its code and the previous frame's disposal ask for; the canvas is
// left unchanged. Updates webpPrevDisposal and webpPrevRect.
HBITMAP ComposeWebpFrame(HBITMAP frame, HBITMAP canvas, const BITMAP& size, const TFrameRect& placement,
                         int code, int alpha, int frameIndex);

// A new bitmap of (x + width) x (y + height), compatible with the window's
// device context, holding the bitmap at (x, y) on the theme background; the
// bitmap is consumed. A placement outside the usable sizes, or a bitmap that
// cannot be made, leaves the input bitmap as the result.
HBITMAP PadBitmapOnBackground(HWND window, HBITMAP bitmap, const TFrameRect& placement);

// Fills (0, 0) to (width, height) of the bitmap with the colour.
void FillBitmapArea(HBITMAP bitmap, int width, int height, COLORREF colour);
// Draws w x h of the frame at (x, y) of the target: blended when blend is
// true, else copied in.
void DrawFrameOnto(HBITMAP target, HBITMAP frame, const TFrameRect& placement, bool blend);
