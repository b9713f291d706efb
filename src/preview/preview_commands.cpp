#include <shlwapi.h>

#include <string>

#include "preview/animation_timing.h"
#include "preview/preview_painting.h"
#include "preview/preview_pipeline.h"
#include "preview/preview_state.h"
#include "resources/resource.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"
#include "shell/restart_protocol.h"
#include "thumbnails/renderers/image_decoding.h"

namespace {

// Arms the one-shot timer of the first step. A timer still pending from an
// earlier start is deleted first, so at most one is ever armed.
void OnAnimationStart() {
    if (!animationRunning) return;
    animationRunning = 0;
    animFrameIndex = 0;
    // The first frame is shown now: its time starts here, not at whatever
    // step of another file's animation came last.
    animLastFrameTick = static_cast<DWORD>(GetTickCount64());
    DeleteAnimationTimer(&animTimer);
    DWORD due = animDelayMs > 0 ? static_cast<DWORD>(animDelayMs) : 0;
    HANDLE timer = nullptr;
    if (CreateTimerQueueTimer(&timer, nullptr, AnimationTimerProc, nullptr, due, 0, 0)) animTimer = timer;
}

void OnAnimationStep() {
    // A step posted before the item changed: the change cancelled its timer
    // and, for an item that does not animate, left animationRunning 0.
    if (!animTimer && !animationRunning) return;
    CancelAnimationTimer();
    std::wstring name;
    if (FocusedListItem(&name) < 0) return;
    wchar_t path[kPathChars];
    if (!PathCombineW(path, currentDir, name.c_str())) return;
    // An APNG step draws the canvas onto a picture of the canvas's size.
    if (lstrcmpiW(PathFindExtensionW(path), L".png") == 0) {
        if (previewBitmap) DeleteObject(previewBitmap);
        previewBitmap = LoadImageFile(path);
    }
    animationRunning = 1;
    StepAnimation(path, &animTimer);
    if (previewBitmapFrame >= 0) previewBitmapFrame = animFrameIndex;
    if (previewBitmap) {
        RECT client = {};
        GetClientRect(previewWindow, &client);
        HDC dc = GetDC(previewWindow);
        PaintBitmapFitted(dc, previewBitmap, client, previewAlpha);
        ReleaseDC(previewWindow, dc);
    }
    // Armed again after every step, so the animation runs on for as long
    // as the item stays previewed.
    ArmNextAnimationStep();
}

}  // namespace

void ArmNextAnimationStep() {
    if (!IsWindowVisible(previewWindow) || !animationRunning) return;
    DWORD now = static_cast<DWORD>(GetTickCount64());
    int remaining = RemainingFrameMs(animLastFrameTick, animDelayMs, now);
    if (remaining > animDelayMs) {
        // More than the frame's own time is left only when the last step
        // lies more than 2^31 ms back; the frame's time starts afresh.
        animLastFrameTick = now;
        remaining = animDelayMs;
    }
    DWORD due = remaining > 0 ? static_cast<DWORD>(remaining) : 0;
    HANDLE timer = nullptr;
    if (CreateTimerQueueTimer(&timer, nullptr, AnimationTimerProc, nullptr, due, 0, 0)) animTimer = timer;
}

LRESULT OnAnimationCommand(HWND, int id) {
    if (id == ID_ANIMATION_START) OnAnimationStart();
    if (id == ID_ANIMATION_STEP) OnAnimationStep();
    return 0;
}
