// Where an animation frame lies on its canvas. Kept free of windows.h so the
// byte readers that fill it stay plain functions over bytes.
#pragma once

#include <cstdint>

struct TFrameRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Frames and canvases larger than this on a side are refused: GDI cannot
// make such bitmaps, and no real animation comes near it.
constexpr int32_t kMaxCanvasSide = 32767;

// Whether the rectangle is a frame that can be drawn: not empty, not left of
// or above the canvas, and within kMaxCanvasSide on both axes.
inline bool FrameRectUsable(const TFrameRect& r) {
    return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height > 0 &&
           r.width <= kMaxCanvasSide - r.x && r.height <= kMaxCanvasSide - r.y;
}
