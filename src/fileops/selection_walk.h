// The walk over the main list view's selection that the file operations
// share: items in list order, each with its name and its path in currentDir.
#pragma once

#include <functional>

enum TItemStep {
    kNextItem,     // go on with the next selected item
    kItemRemoved,  // the item is gone: delete it from the list view, go on
    kEndRun,       // end the whole operation; the rest stays untouched
    kGoOn,         // (inside one item's steps) carry on with this item
};

// `path` is null when the item's path does not fit MAX_PATH.
void ForEachSelectedItem(const std::function<TItemStep(const wchar_t* name, const wchar_t* path)>& visit);
