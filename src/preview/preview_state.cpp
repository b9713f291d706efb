#include "preview/preview_state.h"

#include <cstdlib>

HBITMAP previewBitmap;
int previewAlpha;
BITMAP previewBitmapInfo;
HBITMAP previewCanvas;
int animationRunning;
int previewBitmapFrame = -1;
HANDLE animTimer;

BYTE* animFileData;
int animFileSize;
int animFrameIndex;
int animDisposal = 1;
int animDelayMs;
int webpPrevDisposal;
TFrameRect webpPrevRect;
DWORD animLastFrameTick;

void ResetAnimationValues() {
    // A GIF without graphic control blocks writes neither of the first two.
    animDisposal = 1;
    animDelayMs = 100;
    webpPrevDisposal = 0;
    webpPrevRect = {0, 0, 0, 0};
}

void FreeAnimationFile() {
    free(animFileData);
    animFileData = nullptr;
    animFileSize = 0;
}
