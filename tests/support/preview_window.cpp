#include "support/preview_window.h"

#include <mmsystem.h>

#include "preview/preview_pipeline.h"
#include "preview/preview_state.h"
#include "preview/video_playback.h"
#include "shell/main_state.h"

namespace {

const wchar_t kClass[] = L"ZuvTestPreview";

void RegisterPreviewClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);  // fails harmlessly once registered
}

}  // namespace

void ResetPreviewState() {
    CancelAnimationTimer();
    ClosePreviewVideo(previewWindow);
    for (HBITMAP* b : {&previewBitmap, &previewCanvas, &previewPrevCanvas}) {
        if (*b) DeleteObject(*b);
        *b = nullptr;
    }
    FreeAnimationFile();
    previewAlpha = 0;
    previewBitmapInfo = BITMAP();
    animationRunning = 0;
    previewBitmapFrame = -1;
    animFrameIndex = 0;
    animDisposal = 1;
    animDelayMs = 0;
    lastPreviewPath[0] = 0;
    lastPreviewIndex = -1;
    previewPage = 0;
}

TestPreviewWindow::TestPreviewWindow(int clientWidth, int clientHeight, bool visible) {
    ResetPreviewState();
    RegisterPreviewClass();
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, WS_POPUP, FALSE, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClass, L"", WS_POPUP | (visible ? WS_VISIBLE : 0),
                              700, 40, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    previewWindow = window_;
}

TestPreviewWindow::~TestPreviewWindow() {
    ResetPreviewState();
    KillTimer(mainWindow, kPreviewVideoTimer);
    previewWindow = nullptr;
    DestroyWindow(window_);
}

std::wstring TestPreviewWindow::Title() const {
    wchar_t text[512] = L"";
    GetWindowTextW(window_, text, 512);
    return text;
}

unsigned TestPreviewWindow::Pixel(int x, int y) const {
    HDC dc = GetDC(window_);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window_, dc);
    return 0xff000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::wstring MciReplyText(const wchar_t* command) {
    wchar_t reply[256] = L"";
    if (mciSendStringW(command, reply, 256, nullptr) != 0) return L"<error>";
    return reply;
}
