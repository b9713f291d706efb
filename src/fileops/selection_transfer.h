// Copy and move of the main list view's selection into another folder, the
// destination typed into the input dialog (inputText) or picked in the
// shell's folder browser. Moved items leave the list view; the thumbnail
// worker is not stopped for these.
#pragma once

#include <windows.h>

#include "fileops/selection_walk.h"

// `items` is the selection as the command took it, before its dialogs.
void CopySelectionToTypedFolder(HWND owner, const TSelection& items);
void MoveSelectionToTypedFolder(HWND owner, const TSelection& items);
void MoveSelectionToPickedFolder(HWND owner, const TSelection& items);
void CopySelectionToPickedFolder(HWND owner, const TSelection& items);

// The folder browser's callback: opens it on the folder given as `data` and
// scrolls that folder into view at the first selection change.
int CALLBACK BrowseFolderCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data);

// 1 from the browser's start until its first selection change.
extern int browseSelectPending;
