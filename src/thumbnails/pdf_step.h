#pragma once

#include <windows.h>

// The worker's PDF step. Zuv renders the page; Zuv_plain has no such step,
// so there it reports that it does not apply and the item goes on.
bool WorkerHasPdfStep();
HBITMAP RunWorkerPdfStep(const wchar_t* path, int* pageIndex);
