// A memory device context holding a bitmap for as long as the object lives.
#pragma once

#include <windows.h>

class MemoryDc {
public:
    // Compatible with `model` (the screen when null); a null bitmap is not
    // selected.
    explicit MemoryDc(HBITMAP bitmap, HDC model = nullptr) : dc_(CreateCompatibleDC(model)), old_(nullptr) {
        if (dc_ && bitmap) old_ = SelectObject(dc_, bitmap);
    }
    ~MemoryDc() {
        if (!dc_) return;
        if (old_) SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};
