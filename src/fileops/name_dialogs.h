// The name dialogs on template 109.
#pragma once

#include <windows.h>

// The new text file's name: edit 1001 starts with inputText, its stem
// selected; OK leaves the edited name in inputText, Cancel an empty text.
INT_PTR CALLBACK NewFileNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
