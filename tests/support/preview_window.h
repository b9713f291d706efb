// A preview window made by a test, since nothing in the program makes one:
// a top-most popup of a given client size stored in previewWindow while the
// object lives, with the preview's values reset before and after.
#pragma once

#include <windows.h>

#include <string>

class TestPreviewWindow {
public:
    // Hidden until shown; Enter shows it, as the program would.
    TestPreviewWindow(int clientWidth, int clientHeight, bool visible = false);
    ~TestPreviewWindow();
    TestPreviewWindow(const TestPreviewWindow&) = delete;
    TestPreviewWindow& operator=(const TestPreviewWindow&) = delete;

    HWND window() const { return window_; }
    std::wstring Title() const;
    // The colour on screen at client point (x, y), as 0xAARRGGBB with alpha 255.
    unsigned Pixel(int x, int y) const;

private:
    HWND window_ = nullptr;
};

// Clears the preview's pictures, animation values, recorded path and MCI
// device, as a freshly started program has them.
void ResetPreviewState();

// The reply of an MCI command, or "<error>" when it fails.
std::wstring MciReplyText(const wchar_t* command);
