// Subclass procedures of the list view and the path box.
#pragma once

#include <windows.h>

LRESULT CALLBACK ListViewNavProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Hands every key press to the main window before the edit control's own
// handling.
LRESULT CALLBACK PathEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
