#include "preview/animation_timing.h"

#include <shlwapi.h>

#include <cstdlib>

#include "preview/frame_composition.h"
#include "preview/frame_loading.h"
#include "preview/preview_state.h"
#include "resources/resource.h"
#include "shell/main_state.h"

namespace {

DWORD TickNow() { return static_cast<DWORD>(GetTickCount64()); }

bool Is(const wchar_t* extension, const wchar_t* wanted) { return lstrcmpiW(extension, wanted) == 0; }

}  // namespace

VOID CALLBACK AnimationTimerProc(PVOID, BOOLEAN timerOrWaitFired) {
    if (timerOrWaitFired) PostMessageW(mainWindow, WM_COMMAND, ID_ANIMATION_STEP, 1);
}

int RemainingFrameMs(DWORD lastFrameTick, int delayMs, DWORD now) {
    // Unsigned arithmetic wraps with the tick count; the difference is then
    // read as a signed 32-bit number, spelt out so that it is defined for
    // every value.
    DWORD difference = lastFrameTick + static_cast<DWORD>(delayMs) - now;
    return difference <= 0x7FFFFFFFu ? static_cast<int>(difference) : -static_cast<int>(~difference) - 1;
}

void StepAnimation(const wchar_t* path, HANDLE* timer) {
    if (!IsWindowVisible(previewWindow)) return;
    const wchar_t* extension = PathFindExtensionW(path);
    if (!(Is(extension, L".gif") || Is(extension, L".png") || Is(extension, L".webp")) || !animationRunning)
        return;
    int remaining = RemainingFrameMs(animLastFrameTick, animDelayMs, TickNow());
    if (remaining > 10) return;
    // A tick that comes a little early still shows the frame on time.
    if (remaining > 0) Sleep(remaining);
    RenderNextAnimationFrame(path, extension, timer);
}

void RenderNextAnimationFrame(const wchar_t* path, const wchar_t* extension, HANDLE* timer) {
    animLastFrameTick = TickNow();
    bool gif = Is(extension, L".gif"), png = Is(extension, L".png"), webp = Is(extension, L".webp");
    // The picture before this frame, for disposal to the previous picture.
    HBITMAP previous = gif || png ? CopyBitmap(previewCanvas) : nullptr;
    HBITMAP frame = nullptr;
    TFrameRect placement = {0, 0, 0, 0};
    if (gif || png || webp) {
        ++animFrameIndex;
        frame = LoadAnimationFrame(path, &placement);
    }
    int width = previewBitmapInfo.bmWidth, height = previewBitmapInfo.bmHeight;
    if (gif) {
        if (previewBitmap) DeleteObject(previewBitmap);
        previewBitmap = ComposeGifFrame(previewCanvas, frame, placement, &previewBitmapInfo, animFrameIndex);
        previewCanvas = DisposeGifFrame(previewBitmap, previous, animDisposal, placement);
    } else if (png) {
        bool blend = abs(animDisposal) >= 8;
        if (animFrameIndex == 0) FillBitmapArea(previewCanvas, width, height, RGB(0, 0, 0));
        DrawFrameOnto(previewCanvas, frame, placement, blend);
        FillBitmapArea(previewBitmap, width, height, RGB(0, 0, 0));
        DrawFrameOnto(previewBitmap, previewCanvas, {0, 0, width, height}, blend);
        previewCanvas = DisposeApngFrame(previewCanvas, previous, animDisposal, placement);
    } else if (webp) {
        if (previewBitmap) DeleteObject(previewBitmap);
        previewBitmap = ComposeWebpFrame(frame, previewCanvas, previewBitmapInfo, placement, animDisposal,
                                         previewAlpha, animFrameIndex);
        if (previewCanvas) DeleteObject(previewCanvas);
        previewCanvas = CopyBitmap(previewBitmap);
    }
    if (frame) DeleteObject(frame);
    if (previous) DeleteObject(previous);
    DeleteAnimationTimer(timer);
}

void DeleteAnimationTimer(HANDLE* timer) {
    if (!*timer) return;
    // Without a completion event the call reports ERROR_IO_PENDING when the
    // callback has run or is running, yet the timer is deleted all the
    // same; deleting that handle again would free it twice.
    if (DeleteTimerQueueTimer(nullptr, *timer, nullptr) || GetLastError() == ERROR_IO_PENDING) *timer = nullptr;
}
