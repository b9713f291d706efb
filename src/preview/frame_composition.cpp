#include "preview/frame_composition.h"

#include <cstdlib>

#include "preview/memory_dc.h"
#include "preview/preview_state.h"
#include "thumbnails/image_bitmap.h"
#include "thumbnails/tiles.h"

namespace {

void FillArea(HDC dc, const RECT& area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

// The colour at full alpha. A brush leaves alpha 0, and these pictures are
// drawn blended, so such an area would let the background under the
// picture through and come out as that background plus the colour.
void FillOpaque(HDC dc, const RECT& area, COLORREF colour) {
    void* bits = nullptr;
    HBITMAP dot = CreateDib(DibHeader(1, 1, 32), &bits);
    if (!dot) return;
    *static_cast<DWORD*>(bits) = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    {
        MemoryDc source(dot, dc);
        // An opaque source replaces colour and alpha alike.
        BLENDFUNCTION function = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source.dc(), 0, 0, 1, 1,
                   function);
    }
    DeleteObject(dot);
}

RECT PlacementRect(const TFrameRect& p) { return {p.x, p.y, p.x + p.width, p.y + p.height}; }

void FillRectOf(HBITMAP bitmap, const RECT& area, COLORREF colour) {
    if (!bitmap) return;
    MemoryDc target(bitmap);
    FillArea(target.dc(), area, colour);
}

void FillOpaqueRectOf(HBITMAP bitmap, const RECT& area, COLORREF colour) {
    if (!bitmap) return;
    MemoryDc target(bitmap);
    FillOpaque(target.dc(), area, colour);
}

void DrawFrame(HDC target, HBITMAP frame, const TFrameRect& p, bool blend) {
    if (!frame) return;
    MemoryDc source(frame, target);
    if (blend) {
        BLENDFUNCTION function = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(target, p.x, p.y, p.width, p.height, source.dc(), 0, 0, p.width, p.height, function);
    } else {
        BitBlt(target, p.x, p.y, p.width, p.height, source.dc(), 0, 0, SRCCOPY);
    }
}

// Absolute value, and 8 taken off once when above the limit.
int DisposalOf(int code, int limit) {
    int c = abs(code);
    return c > limit ? c - 8 : c;
}

}  // namespace

HBITMAP CopyBitmap(HBITMAP bitmap) {
    if (!bitmap) return nullptr;
    return static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void FillBitmapArea(HBITMAP bitmap, int width, int height, COLORREF colour) {
    FillRectOf(bitmap, {0, 0, width, height}, colour);
}

void DrawFrameOnto(HBITMAP target, HBITMAP frame, const TFrameRect& placement, bool blend) {
    if (!target) return;
    MemoryDc canvas(target);
    DrawFrame(canvas.dc(), frame, placement, blend);
}

HBITMAP ComposeGifFrame(HBITMAP canvas, HBITMAP frame, const TFrameRect& placement, BITMAP* size,
                        int frameIndex) {
    LONG width = size->bmWidth, height = size->bmHeight;
    // A frame that could not be placed (none loaded) grows nothing.
    if (FrameRectUsable(placement)) {
        if (placement.x + placement.width > width) width = placement.x + placement.width;
        if (placement.y + placement.height > height) height = placement.y + placement.height;
    }
    if (width <= 0 || height <= 0 || width > kMaxCanvasSide || height > kMaxCanvasSide) return canvas;
    HBITMAP grown = nullptr;
    {
        HDC screen = GetDC(nullptr);
        MemoryDc old(canvas, screen);
        // A context holding a DIB section makes a DIB section of its format.
        grown = CreateCompatibleBitmap(canvas ? old.dc() : screen, width, height);
        if (grown) {
            MemoryDc target(grown, screen);
            if (canvas) BitBlt(target.dc(), 0, 0, size->bmWidth, size->bmHeight, old.dc(), 0, 0, SRCCOPY);
            if (frameIndex == 0) FillOpaque(target.dc(), {0, 0, width, height}, ThemeBackground());
            DrawFrame(target.dc(), frame, placement, true);
        }
        ReleaseDC(nullptr, screen);
    }
    if (!grown) return canvas;
    size->bmWidth = width;
    size->bmHeight = height;
    if (canvas) DeleteObject(canvas);
    return grown;
}

HBITMAP DisposeGifFrame(HBITMAP current, HBITMAP previous, int code, const TFrameRect& placement) {
    int c = DisposalOf(code, 7);
    if (c == 3) return CopyBitmap(previous);
    HBITMAP next = CopyBitmap(current);
    if (c == 2) FillOpaqueRectOf(next, PlacementRect(placement), ThemeBackground());
    return next;
}

HBITMAP DisposeApngFrame(HBITMAP canvas, HBITMAP previous, int code, const TFrameRect& placement) {
    int c = DisposalOf(code, 8);
    if (c == 3) {
        if (canvas) DeleteObject(canvas);
        return CopyBitmap(previous);
    }
    if (c == 2) FillRectOf(canvas, PlacementRect(placement), RGB(0, 0, 0));
    return canvas;
}

HBITMAP ComposeWebpFrame(HBITMAP frame, HBITMAP canvas, const BITMAP& size, const TFrameRect& placement,
                         int code, int alpha, int frameIndex) {
    HBITMAP result = CopyBitmap(canvas);
    int c = code >= 8 ? code - 8 : code;
    if (result) {
        MemoryDc target(result);
        COLORREF background = ThemeBackground();
        if (frameIndex == 0) FillOpaque(target.dc(), {0, 0, size.bmWidth, size.bmHeight}, background);
        if (c == 2 || c == 3) FillOpaque(target.dc(), PlacementRect(placement), background);
        if (webpPrevDisposal == 1 || webpPrevDisposal == 3)
            FillOpaque(target.dc(), PlacementRect(webpPrevRect), background);
        DrawFrame(target.dc(), frame, placement, alpha == 1);
    }
    webpPrevDisposal = c;
    webpPrevRect = placement;
    return result;
}

HBITMAP PadBitmapOnBackground(HWND window, HBITMAP bitmap, const TFrameRect& placement) {
    if (!bitmap || !FrameRectUsable(placement)) return bitmap;
    HDC windowDc = GetDC(window);
    HBITMAP padded = CreateCompatibleBitmap(windowDc, placement.x + placement.width, placement.y + placement.height);
    if (padded) {
        MemoryDc target(padded, windowDc);
        FillOpaque(target.dc(), {0, 0, placement.x + placement.width, placement.y + placement.height},
                   ThemeBackground());
        MemoryDc source(bitmap, windowDc);
        BitBlt(target.dc(), placement.x, placement.y, placement.width, placement.height, source.dc(), 0, 0,
               SRCCOPY);
    }
    ReleaseDC(window, windowDc);
    if (!padded) return bitmap;
    DeleteObject(bitmap);
    return padded;
}
