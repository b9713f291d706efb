// A video played inside the preview window through the MCI mpegvideo device
// under the alias "Zuv", fitted and centred, muted, with the end of playback
// notified to the main window.
#pragma once

#include <windows.h>

#include <string>

// Width and height (the third and fourth numbers) of a "where ... source"
// reply; false unless both are positive numbers.
bool ParseSourceSize(const std::wstring& reply, int* width, int* height);

// Sends the MCI command, without reply, with `callback` as the callback
// window; returns the MCI error code (0 on success).
MCIERROR SendPreviewMci(const wchar_t* command, HWND callback = nullptr);

// Stops and closes the alias "Zuv" whatever its state, with the video
// window that it plays into inside `preview`; harmless when it is not open.
void ClosePreviewVideo(HWND preview);

// Opens the file as a child video window of the preview, fits it into the
// client rectangle and starts it with notification to `notifyWindow`:
// 1 when playback was started, 0 when the file is not played (the device is
// then closed again).
int PlayVideoInPreview(HWND notifyWindow, HWND preview, const wchar_t* path, const RECT& client);
