#include "shell/restart_protocol.h"

#include <windows.h>
#include <commctrl.h>

#include "shell/folder_listing.h"
#include "shell/main_state.h"
#include "thumbnails/thumbnail_worker.h"

void StopWorkerForChange() {
    workerParams.generation = nextGeneration;
    ++nextGeneration;
    StopThumbnailWorker();
}

void SelectListItem(int index) {
    // -1 would apply the state to every item; no focused item means no selection.
    if (index >= 0) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
        SendMessageW(listView, LVM_ENSUREVISIBLE, index, FALSE);
    }
    UpdateWindow(listView);
    SetFocus(listView);
}

void RestartThumbnailWorker(int rebuild, int ignoreCache) {
    workerParams.fullRebuild = rebuild;
    workerParams.ignoreCache = ignoreCache;
    workerStop = 0;
    workerThread = StartThumbnailWorker(&workerParams);
}

void RedrawWholeListView() {
    RedrawWindow(listView, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

int FocusedListItem(std::wstring* name) {
    int index = static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    wchar_t text[kPathChars] = L"";
    if (index >= 0) ListViewItemText(listView, index, text);
    if (name) *name = text;
    return index;
}

void ReselectByName(const std::wstring& name, int fallback) {
    SelectListItem(FindItemByName(name.c_str(), fallback));
}

namespace {

int ScrollBarOfView() {
    return iconView == 1 ? SB_VERT : SB_HORZ;
}

}  // namespace

int ListScrollPosition() {
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    if (!GetScrollInfo(listView, ScrollBarOfView(), &info)) return 0;
    return info.nPos;
}

void RestoreListScrollPosition(int position) {
    int bar = ScrollBarOfView();
    // LVM_SCROLL moves by an amount and keeps the scroll bar in step. Setting
    // the bar first and then scrolling by the whole position would scroll
    // twice where the list view takes its origin from the bar (Wine).
    int delta = position - ListScrollPosition();
    if (delta == 0) return;
    SendMessageW(listView, LVM_SCROLL, bar == SB_HORZ ? delta : 0, bar == SB_VERT ? delta : 0);
}
