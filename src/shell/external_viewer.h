// The external viewer process and the programs started on Enter.
#pragma once

#include <windows.h>

#include <string>

// How long one message of a feed may take before the browser goes on without
// the viewer's answer, so that a hung viewer cannot freeze it.
constexpr UINT kViewerFeedTimeoutMs = 3000;

// viewerWindow = the first top-level window of the viewer's process;
// viewerWindowFound = 1 when there is one.
void FindViewerWindow();

// Asks the viewer's window to close, gives its process 1000 ms, then ends it;
// closes both handles.
void CloseViewer();

// Escape, whatever has the focus: close the viewer when its window is found,
// else close the main window.
void EscapeCommand();

// Enter on a list item (NM_RETURN): a folder is entered; Shift starts the
// per-extension or the associated program; otherwise the viewer is toggled.
void OnListViewReturn();

// The main window's title: "name yyyy/mm/dd hh:mm" with the item's local
// modification time; the name alone when its time cannot be read.
void ShowItemInTitle(const std::wstring& name, const wchar_t* path, bool folder);

// Every LVN_ITEMCHANGED: the focused item's name and time in the title, and
// the file fed to a running viewer.
void OnListViewItemChanged();

// The item's last-write time in local time, read with read sharing (folders
// with backup semantics); false when it cannot be read.
bool ReadItemLocalTime(const wchar_t* path, bool folder, SYSTEMTIME* local);

// The main window's title: "name yyyy/mm/dd hh:mm" in local time, the name
// alone when the item's time cannot be read.
void ShowItemInTitle(const std::wstring& name, const wchar_t* path, bool folder);

// Opens a file with the program the shell associates with it; failures are
// not reported.
void OpenWithAssociatedProgram(const wchar_t* path);
