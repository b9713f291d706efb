// Cover picture and caption of an MP3 file: the front cover of its ID3
// version 2 tag, and the title (from that tag, else from a version 1 tag)
// followed by the running time that MCI reports.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Characters of every title buffer, its terminating zero included.
const int kMp3TitleChars = 260;

// For a path ending in ".mp3" (any case; surrounding quotes are removed in
// place): the cover as an image bitmap owned by the caller, or none; the
// title buffer then holds "title (mm:ss)". Other paths and unreadable files
// give none and leave the buffer untouched.
HBITMAP ReadMp3Info(wchar_t* path, wchar_t* title);

// Walks the frames of the version 2 tag at the start of data (size bytes)
// for the picture and title frames; the title is decoded into the buffer.
HBITMAP ReadId3v2Tag(const BYTE* data, size_t size, wchar_t* title);

// Replaces the buffer's text with the text of the title frame whose body
// starts at pos; nothing outside the size bytes is read.
void DecodeId3TextFrame(const BYTE* data, size_t size, size_t pos, uint32_t frameSize, int encoding, int unsync,
                        wchar_t* title);

// The title of a version 1 tag in the last 128 bytes; false when there is no
// such tag, and the buffer is left as it was.
bool ReadId3v1Title(const BYTE* data, size_t size, wchar_t* title);

// Writes "title (mm:ss)" back into the buffer, cut to fit it.
void ComposeMp3Caption(wchar_t* title, int milliseconds);
