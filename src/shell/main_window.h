#pragma once

#include <windows.h>
#include <commctrl.h>

// The window class of the main window and its one procedure.
constexpr wchar_t kMainWindowClass[] = L"Zuv";

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class "Zuv" for the given module; false when it fails.
bool RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window (WM_CREATE runs inside); null when it fails. The
// start folder comes from the process command line, or from `commandLine`
// (program name first) when one is given.
HWND CreateMainWindow(HINSTANCE instance, const wchar_t* commandLine = nullptr);

// An image list grows by whole steps of about 8 MiB of pictures (4 to 256
// images): every growth copies the whole list, so a step of one image made
// filling a list quadratic in its length.
int ThumbnailListGrowth(int size);
// An image list for thumbnails of `size` pixels square, as the views use.
HIMAGELIST CreateThumbnailList(int size);
// Creates the two image lists at the current thumbnail sizes and gives them
// to the list view.
void CreateThumbnailLists();

// The four-key accelerator table of the main loop.
HACCEL CreateMainAccelerators();
