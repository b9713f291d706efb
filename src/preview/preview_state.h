// Process-wide values of the preview window and its frame animation, used on
// the user-interface thread only. previewWindow and previewPage belong to the
// shell's state (shell/main_state.h).
#pragma once

#include <windows.h>

#include "preview/frame_rect.h"

// The shown picture, owned; null when none.
extern HBITMAP previewBitmap;
// 1 when previewBitmap holds premultiplied colours and is drawn blended.
extern int previewAlpha;
// GetObjectW of the shown picture; bmWidth x bmHeight is the canvas size.
extern BITMAP previewBitmapInfo;
// The composed canvas after the last shown frame and its disposal, owned.
extern HBITMAP previewCanvas;
// 1 while the previewed file is to be animated.
extern int animationRunning;
// The frame of its animation that previewBitmap shows; -1 when the picture
// is none of an animation. A picture kept for the same item goes on from it.
extern int previewBitmapFrame;
// The pending one-shot timer of the default timer queue; null when none.
extern HANDLE animTimer;

// The whole current file, read by whichever frame reader needs it first;
// freed by FreeAnimationFile when another item is previewed.
extern BYTE* animFileData;
extern int animFileSize;
// Frame (or icon entry) shown; the readers wrap it to 0 at the count.
extern int animFrameIndex;
// Frame code of the current frame: disposal, blending, WebP's animated mark.
extern int animDisposal;
// Display time of the current frame in milliseconds.
extern int animDelayMs;
// Frame code (without the 8) and placement of the WebP frame drawn last.
extern int webpPrevDisposal;
extern TFrameRect webpPrevRect;
// Low 32 bits of GetTickCount64 when the last animation step began.
extern DWORD animLastFrameTick;

void FreeAnimationFile();
// The values one file's frames leave behind, set back before the next file
// is set up: the frame code, the frame time (100 ms, as for a GIF frame of
// 20 ms or less, until the file gives its own) and the last WebP frame.
void ResetAnimationValues();
