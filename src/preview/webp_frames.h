// Frames of still and animated WebP files, demuxed and decoded by libwebp.
#pragma once

#include <windows.h>

#include "preview/frame_rect.h"

// Frame animFrameIndex (0 once it reaches the frame count) as a top-down
// 32-bit DIB section of straight BGRA pixels, owned by the caller; null when
// the file cannot be read, demuxed or decoded. Reads the file into
// animFileData when absent; writes the placement, animDelayMs (100 for a
// duration of 0), animDisposal (1 disposed to the background, +2 not
// blended, +8 in a file of two or more frames) and previewAlpha.
HBITMAP LoadWebpFrame(const char* ansiPath, TFrameRect* placement);
