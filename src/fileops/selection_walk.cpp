#include "fileops/selection_walk.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include "shell/folder_listing.h"
#include "shell/main_state.h"

namespace {

bool ItemIsNamed(int index, const std::wstring& name) {
    wchar_t text[kPathChars] = L"";
    ListViewItemText(listView, index, text);
    return name == text;
}

// The item's place now: where it was, less the items removed before it,
// else wherever the list view holds that exact name; -1 when it is gone.
int CurrentIndexOf(const TSelectedItem& item, int removedBefore) {
    int expected = item.index - removedBefore;
    int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    if (expected >= 0 && expected < count && ItemIsNamed(expected, item.name)) return expected;
    for (int index = 0; index < count; ++index) {
        if (ItemIsNamed(index, item.name)) return index;
    }
    return -1;
}

}  // namespace

TSelection TakeSelection() {
    TSelection items;
    int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        if (!(SendMessageW(listView, LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED)) continue;
        wchar_t name[kPathChars] = L"";
        ListViewItemText(listView, index, name);
        items.push_back({index, name});
    }
    return items;
}

void ForEachItem(const TSelection& items,
                 const std::function<TItemStep(const wchar_t* name, const wchar_t* path)>& visit) {
    int removed = 0;
    for (const TSelectedItem& item : items) {
        wchar_t path[kPathChars];
        const wchar_t* name = item.name.c_str();
        TItemStep step = visit(name, PathCombineW(path, currentDir, name) ? path : nullptr);
        if (step == kEndRun) return;
        if (step != kItemRemoved) continue;
        int index = CurrentIndexOf(item, removed);
        if (index >= 0) SendMessageW(listView, LVM_DELETEITEM, index, 0);
        ++removed;
    }
}
