// Moves between folders: the history, the drive slots and the navigation
// commands. Each command stops the worker, changes currentDir, lists the
// new folder and starts a new worker.
#pragma once

// Records `currentDir` as the newest history entry; keeps at most 20.
void PushHistory();

// Makes `path` the current folder: history entry, path box, listing.
void EnterFolder(const wchar_t* path);

// Enter or a double click on a folder item: stop, enter currentDir\name,
// select the first item, restart with a full rebuild.
void EnterFolderItem(const wchar_t* name);

// The parent-folder command (Backspace, the up button, Alt+Up); the folder
// left is selected. Nothing happens at a drive root.
void GoToParentFolder();

// Enter in the path box: its text, untested, becomes the current folder.
void GoToPathBoxPath();

// L: a path typed into the input dialog.
void GoToTypedPath();

// Keys 1 to 9: remembers the current folder in its drive's slot, then goes
// to the folder of slot `number` (1 = drive A).
void GoToDriveSlot(int number);

// The root of the current folder's drive.
void GoToDriveRoot();

// F5: lists the current history entry again, keeping the focused position
// and the scroll position; with Shift the new run ignores the cache files.
void RefreshFolder();

// Moves historyIndex by `step` when an entry is there; true when it moved.
bool StepHistory(int step);
