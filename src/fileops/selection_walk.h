// The walk over the main list view's selection that the file operations
// share: items in list order, each with its name and its path in currentDir.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum TItemStep {
    kNextItem,     // go on with the next selected item
    kItemRemoved,  // the item is gone: delete it from the list view, go on
    kEndRun,       // end the whole operation; the rest stays untouched
    kGoOn,         // (inside one item's steps) carry on with this item
};

struct TSelectedItem {
    int index;  // where it stood in the list view when it was taken
    std::wstring name;
};
using TSelection = std::vector<TSelectedItem>;

// The selected items, in list order. A command takes them once, before its
// first dialog: a modal loop may dispatch what changes the list view's
// selection (a typed character, a click), and the command acts on what the
// user had selected when it was given.
TSelection TakeSelection();

// Visits the items taken; `path` is null when the item's path does not fit
// MAX_PATH. An item removed is deleted from the list view by its name.
void ForEachItem(const TSelection& items,
                 const std::function<TItemStep(const wchar_t* name, const wchar_t* path)>& visit);
