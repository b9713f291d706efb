#include "preview/preview_painting.h"

#include "preview/frame_rect.h"
#include "preview/memory_dc.h"
#include "thumbnails/tiles.h"

namespace {

const BLENDFUNCTION kBlendOver = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

}  // namespace

bool FitPreviewPicture(int w, int h, int cw, int ch, TPreviewFit* fit) {
    if (w <= 0 || h <= 0 || cw <= 0 || ch <= 0 || cw > kMaxCanvasSide || ch > kMaxCanvasSide) return false;
    double sx = static_cast<double>(cw) / w;
    double sy = static_cast<double>(ch) / h;
    double s = sx < sy ? sx : sy;
    fit->width = static_cast<int>(w * s);
    fit->height = static_cast<int>(h * s);
    // The fitted side can only overshoot by rounding of the ratio.
    if (fit->width > cw) fit->width = cw;
    if (fit->height > ch) fit->height = ch;
    fit->x = (cw - fit->width) / 2;
    fit->y = (ch - fit->height) / 2;
    return true;
}

void PaintBitmapFitted(HDC target, HBITMAP bitmap, const RECT& area, int alpha) {
    int w = 0, h = 0;
    TPreviewFit fit;
    int cw = area.right, ch = area.bottom;
    if (!target || !MeasureBitmap(bitmap, &w, &h) || !FitPreviewPicture(w, h, cw, ch, &fit)) return;
    HBITMAP buffer = CreateCompatibleBitmap(target, cw, ch);
    if (!buffer) return;
    {
        MemoryDc source(bitmap, target);
        MemoryDc back(buffer, target);
        SetStretchBltMode(back.dc(), HALFTONE);
        SetBrushOrgEx(back.dc(), 0, 0, nullptr);
        HPALETTE palette = CreateHalftonePalette(back.dc());
        HPALETTE oldPalette = palette ? SelectPalette(back.dc(), palette, FALSE) : nullptr;
        if (palette) RealizePalette(back.dc());
        FillWithBackground(back.dc(), cw, ch);
        if (alpha) {
            AlphaBlend(back.dc(), fit.x, fit.y, fit.width, fit.height, source.dc(), 0, 0, w, h, kBlendOver);
        } else {
            StretchBlt(back.dc(), fit.x, fit.y, fit.width, fit.height, source.dc(), 0, 0, w, h, SRCCOPY);
        }
        BitBlt(target, 0, 0, cw, ch, back.dc(), 0, 0, SRCCOPY);
        if (palette) {
            SelectPalette(back.dc(), oldPalette, FALSE);
            DeleteObject(palette);
        }
    }
    DeleteObject(buffer);
}

void PaintPreviewBitmap(HWND window, HBITMAP bitmap, const RECT& client, int alpha) {
    int w = 0, h = 0;
    TPreviewFit fit;
    int cw = client.right, ch = client.bottom;
    if (!window || !MeasureBitmap(bitmap, &w, &h) || !FitPreviewPicture(w, h, cw, ch, &fit)) return;
    HDC windowDc = GetDC(window);
    if (!windowDc) return;
    HBITMAP buffer = CreateCompatibleBitmap(windowDc, cw, ch);
    if (buffer) {
        MemoryDc back(buffer, windowDc);
        MemoryDc source(bitmap, windowDc);
        FillWithBackground(back.dc(), cw, ch);
        // Blended at full size first, so that the scaling is a halftone
        // StretchBlt; AlphaBlend would scale without halftoning.
        HBITMAP composite = alpha == 1 ? CreateCompatibleBitmap(windowDc, w, h) : nullptr;
        {
            MemoryDc over(composite, windowDc);
            HDC stretchSource = source.dc();
            if (composite) {
                FillWithBackground(over.dc(), w, h);
                AlphaBlend(over.dc(), 0, 0, w, h, source.dc(), 0, 0, w, h, kBlendOver);
                stretchSource = over.dc();
            }
            SetStretchBltMode(back.dc(), HALFTONE);
            StretchBlt(back.dc(), fit.x, fit.y, fit.width, fit.height, stretchSource, 0, 0, w, h, SRCCOPY);
        }
        if (composite) DeleteObject(composite);
        BitBlt(windowDc, 0, 0, cw, ch, back.dc(), 0, 0, SRCCOPY);
    }
    ReleaseDC(window, windowDc);
    if (buffer) DeleteObject(buffer);
}
