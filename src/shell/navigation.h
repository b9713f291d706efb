// Moves between folders: the history and the navigation commands.
#pragma once

// Records `currentDir` as the newest history entry; keeps at most 20.
void PushHistory();

// The parent-folder command (Backspace, the up button, Alt+Up).
void GoToParentFolder();

// Enter or a double click on a folder item: stop, enter currentDir\name,
// select the first item, restart with a full rebuild.
void EnterFolderItem(const wchar_t* name);
