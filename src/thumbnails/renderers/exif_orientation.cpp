#include "thumbnails/renderers/exif_orientation.h"

#include <climits>
#include <cmath>
#include <memory>
#include <new>

#include "thumbnails/image_bitmap.h"

namespace {

bool HasBytes(size_t size, uint64_t offset, uint64_t count) {
    return offset <= size && count <= size - offset;
}

uint32_t Read16(const BYTE* p, bool bigEndian) {
    return bigEndian ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0];
}

uint32_t Read32(const BYTE* p, bool bigEndian) {
    if (bigEndian) return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

// Where each turn puts the source's upper-left, upper-right and lower-left
// corners, for PlgBlt; swap when width and height trade places.
struct Turn {
    bool swap;
    POINT corners[3];
};

bool TurnFor(uint32_t value, LONG w, LONG h, Turn* turn) {
    // Both halves of the value field mean the same orientation.
    if (value > 0xFFFF && (value & 0xFFFF) == 0) value >>= 16;
    switch (value) {
    case 2: *turn = {false, {{w - 1, 0}, {-1, 0}, {w - 1, h}}}; return true;
    case 3: *turn = {false, {{w - 1, h - 1}, {-1, h - 1}, {w - 1, -1}}}; return true;
    case 4: *turn = {false, {{0, h - 1}, {w, h - 1}, {0, -1}}}; return true;
    case 5: *turn = {true, {{0, 0}, {0, w}, {h, 0}}}; return true;
    case 6: *turn = {true, {{h, 0}, {h, w}, {0, 0}}}; return true;
    case 7: *turn = {true, {{h, w}, {h, 0}, {0, w}}}; return true;
    case 8: *turn = {true, {{0, w}, {0, 0}, {h, w}}}; return true;
    default: return false;
    }
}

// The destination pixel of source pixel (x, y) under the turn that the
// corner points describe: the affine map of the pixel's centre.
void MapPixel(const Turn& turn, LONG w, LONG h, LONG x, LONG y, LONG* dx, LONG* dy) {
    const POINT* c = turn.corners;
    // Corner points are pixel edges; map the centre and take its cell.
    double u = (x + 0.5) / w;
    double v = (y + 0.5) / h;
    double px = c[0].x + u * (c[1].x - c[0].x) + v * (c[2].x - c[0].x);
    double py = c[0].y + u * (c[1].y - c[0].y) + v * (c[2].y - c[0].y);
    *dx = static_cast<LONG>(std::floor(px));
    *dy = static_cast<LONG>(std::floor(py));
}

void FillHeader(BITMAPINFO* info, LONG width, LONG height) {
    *info = {};
    info->bmiHeader = DibHeader(width, -height, 32);
}

// Wine's PlgBlt gets the quarter turns and the diagonal mirrors wrong, so
// those are copied pixel by pixel, which gives the same picture everywhere.
bool CopyTurned(HDC dc, HBITMAP source, LONG w, LONG h, const Turn& turn, HBITMAP target) {
    LONG tw = turn.swap ? h : w;
    LONG th = turn.swap ? w : h;
    size_t count = static_cast<size_t>(w) * h;
    std::unique_ptr<DWORD[]> from(new (std::nothrow) DWORD[count]);
    std::unique_ptr<DWORD[]> to(new (std::nothrow) DWORD[count]());
    if (!from || !to) return false;
    BITMAPINFO info;
    FillHeader(&info, w, h);
    if (GetDIBits(dc, source, 0, h, from.get(), &info, DIB_RGB_COLORS) != h) return false;
    for (LONG y = 0; y < h; ++y) {
        for (LONG x = 0; x < w; ++x) {
            LONG dx = 0;
            LONG dy = 0;
            MapPixel(turn, w, h, x, y, &dx, &dy);
            if (dx >= 0 && dx < tw && dy >= 0 && dy < th) to[static_cast<size_t>(dy) * tw + dx] = from[static_cast<size_t>(y) * w + x];
        }
    }
    FillHeader(&info, tw, th);
    return SetDIBits(dc, target, 0, th, to.get(), &info, DIB_RGB_COLORS) == th;
}

bool BlitTurned(HDC dc, HBITMAP source, LONG w, LONG h, const Turn& turn, HBITMAP target) {
    HDC from = CreateCompatibleDC(dc);
    HDC to = CreateCompatibleDC(dc);
    bool done = false;
    if (from && to) {
        HGDIOBJ oldFrom = SelectObject(from, source);
        HGDIOBJ oldTo = SelectObject(to, target);
        done = PlgBlt(to, turn.corners, from, 0, 0, w, h, nullptr, 0, 0) != FALSE;
        SelectObject(to, oldTo);
        SelectObject(from, oldFrom);
    }
    if (to) DeleteDC(to);
    if (from) DeleteDC(from);
    return done;
}

// The whole file in a heap block that the caller frees; false when it
// cannot be opened, held or read.
bool ReadWholeFile(const std::wstring& path, BYTE** data, DWORD* size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD fileSize = GetFileSize(file, nullptr);
    BYTE* buffer = nullptr;
    bool ok = fileSize != INVALID_FILE_SIZE && fileSize <= INT_MAX;
    if (ok) {
        buffer = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, fileSize > 0 ? fileSize : 1));
        ok = buffer && ReadFile(file, buffer, fileSize, size, nullptr);
    }
    CloseHandle(file);
    if (!ok && buffer) HeapFree(GetProcessHeap(), 0, buffer);
    if (ok) *data = buffer;
    return ok;
}

}  // namespace

uint32_t ReadExifOrientation(const BYTE* data, size_t size) {
    if (!data || size < 2 || data[0] != 0xFF || data[1] != 0xD8) return 0;
    uint64_t app1 = 2;
    if (size >= 6 && data[2] == 0xFF && data[3] == 0xE0) app1 = 4 + ((data[4] << 8) | data[5]);
    static const BYTE kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (!HasBytes(size, app1, 10) || data[app1] != 0xFF || data[app1 + 1] != 0xE1) return 0;
    for (int i = 0; i < 6; ++i) {
        if (data[app1 + 4 + i] != kExif[i]) return 0;
    }
    uint64_t tiff = app1 + 10;
    if (!HasBytes(size, tiff, 8)) return 0;
    bool bigEndian = data[tiff] == 'M' && data[tiff + 1] == 'M';
    uint64_t ifd = tiff + Read32(data + tiff + 4, bigEndian);
    if (!HasBytes(size, ifd, 2)) return 0;
    uint32_t count = Read16(data + ifd, bigEndian);
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t entry = ifd + 2 + 12ull * i;
        if (!HasBytes(size, entry, 12)) return 0;
        if (Read16(data + entry, bigEndian) == 0x0112) return Read32(data + entry + 8, bigEndian);
    }
    return 0;
}

HBITMAP ApplyExifOrientation(HWND window, std::wstring path, HBITMAP bitmap) {
    if (!bitmap) return nullptr;
    BYTE* bytes = nullptr;
    DWORD size = 0;
    if (!ReadWholeFile(path, &bytes, &size)) return bitmap;
    BITMAP info = {};
    int got = GetObjectW(bitmap, sizeof(info), &info);
    uint32_t value = ReadExifOrientation(bytes, size);
    HeapFree(GetProcessHeap(), 0, bytes);
    if (got == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) return bitmap;
    LONG w = info.bmWidth;
    LONG h = info.bmHeight;
    Turn turn;
    if (!TurnFor(value, w, h, &turn)) return bitmap;

    HDC dc = GetDC(window);
    if (!dc) return bitmap;
    HBITMAP turned = CreateCompatibleBitmap(dc, turn.swap ? h : w, turn.swap ? w : h);
    bool done = false;
    if (turned) done = turn.swap ? CopyTurned(dc, bitmap, w, h, turn, turned) : BlitTurned(dc, bitmap, w, h, turn, turned);
    ReleaseDC(window, dc);
    // The input stays the caller's picture unless the turned copy exists.
    if (!done) {
        if (turned) DeleteObject(turned);
        return bitmap;
    }
    DeleteObject(bitmap);
    return turned;
}
