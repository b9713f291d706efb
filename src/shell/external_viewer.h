// The external viewer process.
#pragma once

// viewerWindow = the first top-level window of the viewer's process;
// viewerWindowFound = 1 when there is one.
void FindViewerWindow();

// Asks the viewer's window to close, gives its process 1000 ms, then ends it;
// closes both handles.
void CloseViewer();
