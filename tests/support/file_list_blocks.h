// File list blocks (CF_HDROP, and the block of a WM_DROPFILES drop) handed to
// the program as another program or the shell would hand them.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <vector>

// A movable global block holding these bytes; the receiver frees it.
HGLOBAL GlobalBlockOf(const std::vector<unsigned char>& bytes);
// A drop of these bytes, as the shell posts it with WM_DROPFILES.
inline HDROP DropBlockOf(const std::vector<unsigned char>& bytes) {
    return static_cast<HDROP>(GlobalBlockOf(bytes));
}
// Empties the clipboard and puts these bytes on it as its CF_HDROP list.
bool PutFileListOnClipboard(HWND owner, const std::vector<unsigned char>& bytes);
