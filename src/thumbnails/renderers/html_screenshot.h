// The picture of an HTML page: a browser without a window writes a
// screenshot of it as a PNG file, which is decoded like any image.
#pragma once

#include <windows.h>

// How long the browser may take before it is ended.
const DWORD kBrowserWaitMs = 5000;

// An image bitmap of the screenshot (640 x 640 at the browser's default
// scale) owned by the caller, or none. Makes the temporary work folder the
// process's current folder.
HBITMAP RenderHtmlScreenshot(const wchar_t* browser, const wchar_t* path);

// The screenshot file for an HTML file: its name with ".png", in `folder`,
// made distinct per process, thread and call so that no two calls ever share
// it. False when no such path fits 260 characters.
bool MakeScreenshotPath(wchar_t* screenshot, const wchar_t* folder, const wchar_t* path, DWORD processId,
                        DWORD threadId, LONG call);

// The browser's command line (at most 4 x 260 characters).
void MakeBrowserCommandLine(wchar_t* commandLine, size_t chars, const wchar_t* browser, const wchar_t* screenshot,
                            const wchar_t* path);
