// The two key commands that work on the thumbnail cache of the current folder.
#pragma once

// Ctrl+S: saves the current view's cache files of the current folder, or warns
// and saves nothing while the current worker still makes pictures.
void SaveCacheCommand();

// F12 or W: makes the current folder's picture from the selection.
void FolderPictureCommand();
