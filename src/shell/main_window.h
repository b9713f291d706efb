#pragma once

#include <windows.h>

// The window class of the main window and its one procedure.
constexpr wchar_t kMainWindowClass[] = L"Zuv";

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class "Zuv" for the given module; false when it fails.
bool RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window (WM_CREATE runs inside); null when it fails. The
// start folder comes from the process command line, or from `commandLine`
// (program name first) when one is given.
HWND CreateMainWindow(HINSTANCE instance, const wchar_t* commandLine = nullptr);

// Creates the two image lists at the current thumbnail sizes and gives them
// to the list view.
void CreateThumbnailLists();

// The four-key accelerator table of the main loop.
HACCEL CreateMainAccelerators();
