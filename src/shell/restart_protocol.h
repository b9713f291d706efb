// The steps every command follows when it changes the current folder or its
// contents: stop the worker under a new generation, do the change, relist,
// select, start a new worker.
#pragma once

#include <string>

// Hands the worker record a generation no earlier worker had, then stops it.
void StopWorkerForChange();

// Selects, focuses and shows one item and gives the list view the focus.
// An index that names no item selects nothing.
void SelectListItem(int index);

// Starts the next worker; rebuild 1 makes every picture anew, 0 reuses the
// pictures of unchanged names. ignoreCache 1 (Shift+F5 only) makes the run
// pass the cache files by.
void RestartThumbnailWorker(int rebuild, int ignoreCache = 0);

// Erases and paints the whole list view at once: after a change of the view,
// the thumbnail sizes or the colours, the items' own redraws would leave the
// old tiles and labels where no item draws any more.
void RedrawWholeListView();

// The focused item of the list view: its index (-1 when none) and its name.
int FocusedListItem(std::wstring* name);

// Selects the item named `name`, else the item at `fallback`.
void ReselectByName(const std::wstring& name, int fallback);

// The list view's position on the axis it scrolls along: vertical in the
// icon view, horizontal (in columns) in the list view.
int ListScrollPosition();

// Scrolls a freshly listed list view back to a position that
// ListScrollPosition gave.
void RestoreListScrollPosition(int position);
