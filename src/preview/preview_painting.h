// Painting the preview's picture fitted into and centred in the preview
// window's client area on the theme background, through an off-screen buffer
// of the client size that reaches the window in one BitBlt.
#pragma once

#include <windows.h>

// Where a w x h picture lies when fitted into a cw x ch area: scale
// min(cw / w, ch / h), sizes truncated, the odd pixel of free room on the
// right or at the bottom.
struct TPreviewFit {
    int x, y;
    int width, height;
};

// False, with *fit untouched, when either size is not positive or the area is
// larger than a bitmap may be on a side (32,767 pixels).
bool FitPreviewPicture(int w, int h, int cw, int ch, TPreviewFit* fit);

// Paints the bitmap fitted and centred into the target over the theme
// background: blended (premultiplied colours) when alpha is non-zero, else a
// halftone stretch. The bitmap stays the caller's. Nothing is drawn for a
// null bitmap or an unusable area.
void PaintBitmapFitted(HDC target, HBITMAP bitmap, const RECT& area, int alpha);

// The pipeline's paint of a fresh picture into the preview window: a picture
// with alpha is first laid over the theme background at its own size, and
// the opaque result is stretched with halftoning.
void PaintPreviewBitmap(HWND window, HBITMAP bitmap, const RECT& client, int alpha);
