#include "thumbnails/pdf_step.h"

#ifdef ZUV_WITH_PDF
#include "thumbnails/renderers/pdf_page.h"

bool WorkerHasPdfStep() { return true; }

HBITMAP RunWorkerPdfStep(const wchar_t* path, int* pageIndex) {
    return RenderPdfPage(path, pageIndex);
}
#else
bool WorkerHasPdfStep() { return false; }

HBITMAP RunWorkerPdfStep(const wchar_t*, int*) { return nullptr; }
#endif
