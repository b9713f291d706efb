// The external viewer process.
#pragma once

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

// Every LVN_ITEMCHANGED: the focused item's name and time in the title, and
// the file fed to a running viewer.
void OnListViewItemChanged();
