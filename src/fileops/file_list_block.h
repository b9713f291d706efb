// The shell's file list (clipboard format CF_HDROP, and the block of a
// WM_DROPFILES drop): a 20-byte DROPFILES header, then zero-ended paths and
// one more zero.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kFileListHeaderBytes = 20;

// The block for these paths: the list at offset 20, no point, UTF-16 paths,
// each ended by a zero character, then a final zero character.
std::vector<unsigned char> MakeFileListBlock(const std::vector<std::wstring>& paths);

// Whether `size` bytes hold a whole file list: the header fits, the list
// starts past it, and the two zeros in a row that end the list lie inside
// the bytes (16-bit units for a wide list, bytes for an ANSI one). A lone
// zero is no end: readers that take it for an empty path read on past it.
bool FileListEndsInBlock(const unsigned char* data, size_t size);

// The paths of a whole list, in list order, empty ones left out (ANSI paths
// in the thread's code page); none when the list does not end inside the
// bytes.
std::vector<std::wstring> FileListPathsIn(const unsigned char* data, size_t size);
