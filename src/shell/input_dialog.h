// Dialog 103, the one-line input dialog of M, C, K and L.
#pragma once

#include <windows.h>

// Shows dialog 103 over the main window; the typed text is left in
// inputText, empty when the dialog was cancelled or left empty.
void RunInputDialog();

// Moves a dialog to the middle of the main window, size and z-order kept.
void CentreDialogOnMainWindow(HWND dialog);
