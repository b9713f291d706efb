#include "support/file_list_blocks.h"

#include <cstring>

HGLOBAL GlobalBlockOf(const std::vector<unsigned char>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.empty() ? 1 : bytes.size());
    if (!block) return nullptr;
    if (!bytes.empty()) memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

bool PutFileListOnClipboard(HWND owner, const std::vector<unsigned char>& bytes) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    HGLOBAL block = GlobalBlockOf(bytes);
    bool put = block && SetClipboardData(CF_HDROP, block);
    if (!put && block) GlobalFree(block);
    CloseClipboard();
    return put;
}
