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

// Posted by every worker to the main window as its last act; wParam is the
// worker's thread id. The window hands it to ForgetEndedWorker.
constexpr UINT kWorkerEndedMessage = WM_APP + 2;

// Destroys an image list the shell has stopped using, or keeps it while a
// worker started before this call still runs (an abandoned one may still
// touch it). Never waits.
void RetireImageList(HIMAGELIST images);
// On a worker's end message: forgets that worker and destroys the kept lists
// that no running worker can reach any more.
void ForgetEndedWorker(DWORD threadId);
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
// The position of the first item named `name`, as FindListItemIcon finds
// it; -1 when no item has the name.
int ListNamesPosition(const TListNames& names, const std::wstring& name);
// What FindListItemIcon gives for the list the names were read from.
HICON ListNamesIcon(const TListNames& names, HIMAGELIST images, const std::wstring& name);

// Dispatches this thread's pending messages; false when a WM_QUIT came,
// which is posted again for the thread's own loop and ends the dispatching.
bool PumpMessages();
