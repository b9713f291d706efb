// Clipboard copy, cut and paste of files, in the shell's file list format
// (CF_HDROP) with the "Preferred DropEffect" that tells a cut from a copy.
#pragma once

#include <windows.h>

// Puts the selected items on the clipboard: drop effect 2 (move) when `cut`
// is 1, else 1 (copy). Nothing selected leaves the clipboard as it was.
void CopySelectionToClipboard(HWND owner, int cut);

// Copies or moves every file and folder of the clipboard's file list into
// the current folder, asking before it touches an item of the same folder or
// replaces a file; the clipboard stays open and unchanged meanwhile.
void PasteFromClipboard(HWND owner);
