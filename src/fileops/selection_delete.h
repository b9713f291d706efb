// Getting rid of the main list view's selection: to the recycle bin, for
// good, or into the trash folder "Zuv_DUST" at the root of the current
// folder's drive (of its share for a network path).
#pragma once

#include <windows.h>

#include "fileops/selection_walk.h"

// Deletes one file or folder: to the recycle bin when `recycle` is 1, else
// for good. 1 when the path did not exist or was deleted, else 0.
int DeletePath(const wchar_t* path, int recycle);

// Asks first; the items go: files to the recycle bin (`recycle` 1) or
// deleted for good (0); a folder is always emptied into the recycle bin and
// then removed.
void DeleteSelection(HWND owner, int recycle, const TSelection& items);

// Moves the items whole into the trash folder, under a numbered
// name ("photo_01.jpg") when their own is taken. No question, no message.
void MoveSelectionToTrashFolder(const TSelection& items);
