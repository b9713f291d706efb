// The chunks of an animated PNG held in memory: frame count, delay,
// placement and frame code of frame N, and frame N rebuilt as a PNG of its
// own that the image decoder reads like any other.
//
// Every read stays inside the given bytes; a chunk whose length reaches past
// the end ends the walk.
#pragma once

#include <cstddef>
#include <cstdint>

#include "preview/frame_rect.h"

// The frame count: acTL's num_frames, but never more than the fcTL chunks
// the file holds; 0 for a PNG without acTL or data that is not PNG. *n wraps
// to 0 at the count. Sets *animated to 1 when there is an acTL chunk and
// never clears it. Writes delay, placement and frame code of frame *n when
// the file has that frame (for a plain PNG and n 0: the whole image, delay 0,
// code -1).
int ReadApngFrameInfo(int* n, const uint8_t* data, size_t size, int* delayMs,
                      TFrameRect* placement, int* frameCode, int* animated);

// Frame n as a stand-alone PNG written into out (of `capacity` bytes); the
// result's length, or 0 when the file has no frame n, when its rectangle is
// empty or does not lie inside the canvas of the file's IHDR, or when the
// result would not fit. frameCode is frame n's code: negative when its
// pixels are the default image (the IDAT chunks).
size_t BuildApngFramePng(const uint8_t* data, size_t size, uint8_t* out, size_t capacity, int n,
                         int frameCode);

// CRC-32 as every PNG chunk carries it.
uint32_t PngCrc32(const uint8_t* bytes, size_t count, uint32_t crc = 0);
