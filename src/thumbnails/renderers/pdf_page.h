#pragma once

#include <windows.h>

// Renders one page of a PDF document at one pixel per point on white, as a
// 24-bit top-down DIB section owned by the caller; none on any failure. The
// page index is clamped to the document's pages and written back when it
// changes. Present in Zuv only.
HBITMAP RenderPdfPage(const wchar_t* path, int* pageIndex);
