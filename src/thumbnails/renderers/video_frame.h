// One frame of a video through the Media Foundation source reader, as a
// bottom-up 32-bit DIB section with alpha 255, owned by the caller.
// Media Foundation must have been started in the process.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// How long a grab may take, opening, seeking and reading together.
const DWORD kVideoGrabMs = 8000;

// The frame at the given second, or at half the running time when the video
// is shorter; none for position 0 (seconds 0), for a file whose first bytes
// name a still-picture format, for anything the reader cannot open or decode
// to NV12, and when the reader has not delivered within kVideoGrabMs.
HBITMAP GrabVideoFrame(const wchar_t* path, int seconds);

// The source reader's whole road on the calling thread, without the picture
// test or the bound: it may never return.
HBITMAP GrabFrameWithReader(const wchar_t* path, int seconds);

// Whether bytes start as a PNG, GIF, JPEG, BMP, TIFF, WebP or ICO file.
bool StartsAsStillPicture(const BYTE* bytes, size_t count);

// Runs the grabber on a thread of its own (in the multithreaded COM
// apartment) and gives its frame when it delivers within timeoutMs; else
// none, and a frame it delivers later is deleted. A grabber that never
// returns keeps only its own thread.
using TFrameGrabber = HBITMAP (*)(const wchar_t* path, int seconds);
HBITMAP GrabFrameWithin(const wchar_t* path, int seconds, DWORD timeoutMs, TFrameGrabber grabber);

// Where the frame is taken, in 100-ns units, for a running time in the same
// units; 0 means no frame.
int64_t VideoFramePosition(int64_t duration, int seconds);

// Converts an NV12 frame (luma rows pitch bytes apart from the buffer's
// start, interleaved U and V rows from chromaOffset on) into width x height
// 32-bit pixels stored bottom-up, so that the picture stands upright. Rows
// whose bytes do not lie inside bufferLength are left as they are.
void ConvertNv12ToBgra(const BYTE* buffer, size_t bufferLength, size_t chromaOffset, size_t pitch, uint32_t width,
                       uint32_t height, BYTE* bits);
