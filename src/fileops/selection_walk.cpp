#include "fileops/selection_walk.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include "shell/folder_listing.h"
#include "shell/main_state.h"

void ForEachSelectedItem(const std::function<TItemStep(const wchar_t* name, const wchar_t* path)>& visit) {
    int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int index = 0; index < count;) {
        if (!(SendMessageW(listView, LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED)) {
            ++index;
            continue;
        }
        wchar_t name[kPathChars] = L"";
        ListViewItemText(listView, index, name);
        wchar_t path[kPathChars];
        TItemStep step = visit(name, PathCombineW(path, currentDir, name) ? path : nullptr);
        if (step == kEndRun) return;
        if (step == kItemRemoved) {
            // The same index now holds the next item.
            SendMessageW(listView, LVM_DELETEITEM, index, 0);
            --count;
            continue;
        }
        ++index;
    }
}
