// The name dialogs on template 109: the rename run of R and F2, and the new
// text file's name.
#pragma once

#include <windows.h>

#include "fileops/selection_walk.h"

// The rename run: the number of items selected when it started, the running
// number of the item whose dialog is open, and that item's name and folder
// as its dialog took them from inputText.
extern int renameTotal;
extern int renameIndex;
extern wchar_t renameOldName[MAX_PATH];
extern wchar_t renameFolder[MAX_PATH];

// Renames the items (the selection as the command took it) one after another
// in list order, each in its own dialog, until the last one is done or a
// dialog is cancelled. The list view is left as it was; the caller lists the
// folder again.
void RenameSelection(HWND owner, const TSelection& items);

// Renames the item whose full path is in inputText: edit 1001 starts with its
// name, stem selected. OK renames it and its cache files and closes; a name
// that cannot be taken (it exists, is empty, has a folder part or drive, or
// is refused) beeps and keeps the dialog open. Cancel leaves an empty
// inputText.
INT_PTR CALLBACK RenameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The new text file's name: edit 1001 starts with inputText, its stem
// selected; OK leaves the edited name in inputText, Cancel an empty text. A
// name with a folder part or drive (or "." or "..") beeps and stays open.
INT_PTR CALLBACK NewFileNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
