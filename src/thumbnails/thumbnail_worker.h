#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "thumbnails/worker_params.h"

// Starts ThumbnailWorkerProc on `params` and returns its thread handle (null
// when it cannot start) once the new worker holds its generation and folder:
// a worker that read them only after the next stop had handed out a new
// generation would take itself for that stop's successor.
HANDLE StartThumbnailWorker(TWorkerParams* params);

// Sets the stop flag, gives the worker 100 ms, abandons it if it has not
// ended, and clears the flag again. On return no worker is current.
void StopThumbnailWorker();

// Destroys an image list the shell has stopped using, or, while an abandoned
// worker that may still add to it runs on, keeps it until no worker runs.
void RetireImageList(HIMAGELIST images);
// Destroys the kept lists once no worker runs any more.
void ReleaseRetiredImageLists();
// Workers started and not yet ended, abandoned ones included.
int RunningWorkerCount();

// A new icon of the picture that the image list holds at the position of the
// first list item named `name` (case-insensitive); null when there is none.
HICON FindListItemIcon(HWND list, HIMAGELIST images, const wchar_t* name);

// The item texts of a list view read once, each with the position of its
// first item, so that many names are looked up without reading the list
// again for every one of them.
struct TNoCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};
struct TListNames {
    std::vector<std::wstring> texts;
    std::map<std::wstring, int, TNoCaseLess> firstPosition;
};
void ReadListNames(HWND list, TListNames* names);
// What FindListItemIcon gives for the list the names were read from.
HICON ListNamesIcon(const TListNames& names, HIMAGELIST images, const std::wstring& name);

// Dispatches this thread's pending messages.
void PumpMessages();
