// One tick of the preview animation: the timer callback that turns the
// one-shot timer's firing into command 10001 for the user-interface thread,
// and the step that renders the next frame when it is due.
#pragma once

#include <windows.h>

// Timer-queue callback: posts WM_COMMAND 10001 (lParam 1) to the main
// window when the timer fired; touches nothing else.
VOID CALLBACK AnimationTimerProc(PVOID parameter, BOOLEAN timerOrWaitFired);

// Milliseconds until the next frame is due, in 32-bit signed arithmetic so
// the wrap of the tick count does not matter.
int RemainingFrameMs(DWORD lastFrameTick, int delayMs, DWORD now);

// Renders the next frame of the previewed GIF, APNG or WebP file when the
// preview is visible, the animation runs and the frame is due (sleeping off
// up to 10 ms); the rendering deletes the timer and clears *timer.
void StepAnimation(const wchar_t* path, HANDLE* timer);

// Deletes the one-shot timer without waiting for its callback and clears
// the handle once the timer is gone or marked for deletion.
void DeleteAnimationTimer(HANDLE* timer);

// Advances animFrameIndex, loads and composes the next frame into
// previewCanvas and previewBitmap, and deletes the animation timer.
void RenderNextAnimationFrame(const wchar_t* path, const wchar_t* extension, HANDLE* timer);
