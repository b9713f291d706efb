// Copy and move of the main list view's selection into another folder, the
// destination typed into the input dialog (inputText) or picked in the
// shell's folder browser. Moved items leave the list view; the thumbnail
// worker is not stopped for these.
#pragma once

#include <windows.h>

void CopySelectionToTypedFolder(HWND owner);
void MoveSelectionToTypedFolder(HWND owner);
void MoveSelectionToPickedFolder(HWND owner);
void CopySelectionToPickedFolder(HWND owner);

// The folder browser's callback: opens it on the folder given as `data` and
// scrolls that folder into view at the first selection change.
int CALLBACK BrowseFolderCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data);

// 1 from the browser's start until its first selection change.
extern int browseSelectPending;
