#include "support/gui_levels.h"

#include <vector>

namespace {

// More than the free slots any test leaves behind, so the burst always ends
// in slots past the live ones.
constexpr int kBurst = 3000;

}  // namespace

DWORD GdiObjectLevel() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count) return count;
    std::vector<HBRUSH> brushes;
    DWORD highest = 0;
    for (int i = 0; i < kBurst; ++i) {
        HBRUSH brush = CreateSolidBrush(RGB(i & 0xFF, 0, 0));
        brushes.push_back(brush);
        DWORD slot = LOWORD(reinterpret_cast<ULONG_PTR>(brush));
        if (slot > highest) highest = slot;
    }
    for (HBRUSH brush : brushes) DeleteObject(brush);
    return highest;
}

DWORD UserObjectLevel() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (count) return count;
    BYTE andBits[128] = {};
    BYTE xorBits[128] = {};
    std::vector<HICON> icons;
    DWORD highest = 0;
    for (int i = 0; i < kBurst; ++i) {
        HICON icon = CreateIcon(nullptr, 32, 32, 1, 1, andBits, xorBits);
        icons.push_back(icon);
        DWORD slot = LOWORD(reinterpret_cast<ULONG_PTR>(icon)) >> 1;  // USER slots are two apart
        if (slot > highest) highest = slot;
    }
    for (HICON icon : icons) DestroyIcon(icon);
    return highest;
}

DWORD KernelHandleLevel() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count) return count;
    std::vector<HANDLE> events;
    DWORD highest = 0;
    for (int i = 0; i < kBurst; ++i) {
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        events.push_back(event);
        DWORD slot = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(event) >> 2);
        if (slot > highest) highest = slot;
    }
    for (HANDLE event : events) CloseHandle(event);
    return highest;
}
