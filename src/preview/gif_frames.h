// The block structure of a GIF file held in memory: image count, placement,
// disposal and delay of image N, the canvas all images cover, and image N
// cut out as a GIF of its own. No pixel is decoded.
//
// Every read stays inside the given bytes. A block that runs past the end
// ends the walk as the trailer does, so a truncated file has the images that
// lie wholly inside it and nothing more.
#pragma once

#include <cstddef>
#include <cstdint>

#include "preview/frame_rect.h"

// Where the blocks begin: 13, plus the global colour table when there is
// one; 0 when the data is not a GIF or the table runs past the end.
size_t GifFirstBlock(const uint8_t* data, size_t size);

// 0 when the data does not begin with "GIF".
int CountGifFrames(const uint8_t* data, size_t size);
int CountGifImageBlocks(const uint8_t* data, size_t size, size_t position);

// The low two bits of a graphic control extension's disposal method.
int GifFrameCode(uint8_t packed);

// Walks to image n. Every image descriptor passed writes its rectangle to
// *placement and every graphic control extension its frame code to
// *frameCode, so a missing image n leaves the last ones met.
void FindGifFrame(const uint8_t* data, size_t size, size_t position, int n,
                  TFrameRect* placement, int* frameCode);

// Appends image n's graphic control extensions, its image block and the
// trailer to out, which holds *outLength bytes of `capacity`; sets the
// placement and, from image n's own control extension, *delayMs (delays of
// 20 ms or less become 100 ms). False, with *outLength unchanged, when the
// result would not fit.
bool CopyGifFrame(const uint8_t* data, size_t size, size_t position, uint8_t* out, size_t capacity,
                  size_t* outLength, int n, TFrameRect* placement, int* delayMs);

// Raises canvas->width and canvas->height to the furthest right and bottom
// edges of the images; images whose rectangle is empty or larger than
// kMaxCanvasSide do not count. x and y are left alone.
void GetGifCanvasSize(const uint8_t* data, size_t size, TFrameRect* canvas);
