#include "support/guarded_bytes.h"

#include <cstring>

GuardedBytes::GuardedBytes(const std::vector<unsigned char>& bytes) : size_(bytes.size()) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_t page = info.dwPageSize;
    size_t pages = (size_ + page - 1) / page + 1;
    base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE, PAGE_NOACCESS));
    if (!base_) return;
    VirtualAlloc(base_, pages * page, MEM_COMMIT, PAGE_READWRITE);
    data_ = base_ + pages * page - size_;
    if (size_) memcpy(data_, bytes.data(), size_);
}

GuardedBytes::~GuardedBytes() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
}
