// Bytes placed right before a page that cannot be read, so that a reader
// that looks one byte past the end faults instead of reading on silently.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<unsigned char>& bytes);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    const BYTE* data() const { return data_; }
    size_t size() const { return size_; }

private:
    BYTE* base_ = nullptr;
    BYTE* data_ = nullptr;
    size_t size_ = 0;
};
