#include "fileops/clipboard.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

#include "fileops/file_list_block.h"
#include "fileops/folder_helpers.h"
#include "fileops/selection_walk.h"
#include "fileops/transfer_checks.h"
#include "shell/folder_listing.h"
#include "shell/main_state.h"
#include "thumbnails/cache_files.h"

namespace {

const wchar_t kDropEffectFormat[] = L"Preferred DropEffect";

// Places a copy of the bytes on the open clipboard; the clipboard owns the
// block once it is placed.
void PutOnClipboard(UINT format, UINT flags, const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(flags, size);
    if (!block) return;
    void* data = GlobalLock(block);
    if (!data) {
        GlobalFree(block);
        return;
    }
    memcpy(data, bytes, size);
    GlobalUnlock(block);
    if (!SetClipboardData(format, block)) GlobalFree(block);
}

// The drop effect of the clipboard's list: a move when its block has the
// move bit in its first byte; a copy without the block.
bool ClipboardListIsMove() {
    HGLOBAL block = GetClipboardData(RegisterClipboardFormatW(kDropEffectFormat));
    if (!block || GlobalSize(block) < 1) return false;
    const BYTE* effect = static_cast<const BYTE*>(GlobalLock(block));
    if (!effect) return false;
    bool move = (effect[0] & DROPEFFECT_MOVE) != 0;
    GlobalUnlock(block);
    return move;
}

// A folder pasted onto an existing item of its name: the overwrite question
// once more; kGoOn when the folder may go there. A file of its name stays,
// and nothing can be put into it.
TItemStep ConfirmFolderTarget(HWND owner, const wchar_t* name, const wchar_t* target, bool move) {
    if (!PathFileExistsW(target)) return kGoOn;
    int answer = AskOverwrite(owner, name);
    if (answer == IDCANCEL) return kEndRun;
    if (answer != IDYES) return kNextItem;
    if (!IsFolderPath(target)) {
        ShowTransferFailed(owner, name, move);
        return kNextItem;
    }
    return kGoOn;
}

TItemStep PasteItem(HWND owner, const std::wstring& sourceText, bool move) {
    wchar_t name[kPathChars];
    wchar_t target[kPathChars];
    TItemStep checked = CheckListItem(owner, sourceText, currentDir, move, name, target);
    if (checked != kGoOn) return checked;
    const wchar_t* source = sourceText.c_str();
    bool folder = IsFolderPath(source);
    if (!move && IsLinkPath(source)) {
        ShowTransferFailed(owner, name, move);
        return kNextItem;
    }
    if (PathFileExistsW(target) && !IsFolderPath(target)) {
        int answer = AskOverwrite(owner, name);
        if (answer == IDCANCEL) return kEndRun;
        if (answer != IDYES) return kNextItem;
        if (!folder && PathFileExistsW(target) && !RecyclePath(target)) {
            ShowTransferFailed(owner, name, move);
            return kNextItem;
        }
        if (!folder) ForgetItemPicture(target);
    }
    bool done = false;
    if (!folder) {
        done = move ? MoveFileWhole(source, target) : CopyFileWhole(source, target);
    } else {
        TItemStep confirmed = ConfirmFolderTarget(owner, name, target, move);
        if (confirmed != kGoOn) return confirmed;
        if (move) {
            done = MoveFolderInto(source, target);
        } else {
            done = CopyFolderInto(source, target, 1);
        }
    }
    if (!done) ShowTransferFailed(owner, name, move);
    return kNextItem;
}

}  // namespace

void CopySelectionToClipboard(HWND owner, int cut) {
    if (SendMessageW(listView, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return;
    std::vector<unsigned char> list = MakeFileListBlock(SelectedItemPaths());
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    PutOnClipboard(CF_HDROP, GMEM_MOVEABLE | GMEM_ZEROINIT, list.data(), list.size());
    DWORD effect = cut == 1 ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    PutOnClipboard(RegisterClipboardFormatW(kDropEffectFormat), GMEM_DDESHARE | GMEM_ZEROINIT | GMEM_MOVEABLE, &effect,
                   sizeof(effect));
    CloseClipboard();
}

void PasteFromClipboard(HWND owner) {
    if (!IsClipboardFormatAvailable(CF_HDROP) || !OpenClipboard(nullptr)) return;
    HANDLE list = GetClipboardData(CF_HDROP);
    if (list) {
        bool move = ClipboardListIsMove();
        for (const std::wstring& source : FileListPaths(static_cast<HDROP>(list))) {
            if (PasteItem(owner, source, move) == kEndRun) break;
        }
    }
    CloseClipboard();
}
