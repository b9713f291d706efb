#include "support/test_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resources/resource.h"
#include "support/test_files.h"
#include "thumbnails/tiles.h"
#include "thumbnails/cache_files.h"

Pixel MakePixel(BYTE red, BYTE green, BYTE blue, BYTE alpha) {
    return (static_cast<DWORD>(alpha) << 24) | (static_cast<DWORD>(red) << 16) | (static_cast<DWORD>(green) << 8) |
           blue;
}

COLORREF PixelColour(Pixel pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

BYTE PixelAlpha(Pixel pixel) {
    return static_cast<BYTE>(pixel >> 24);
}

namespace {

BITMAPINFO TopDownHeader(int w, int h) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

HBITMAP MakeBitmapFromPixels(int w, int h, const std::vector<Pixel>& pixels) {
    BITMAPINFO info = TopDownHeader(w, h);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits && pixels.size() >= static_cast<size_t>(w) * h) {
        std::memcpy(bits, pixels.data(), static_cast<size_t>(w) * h * 4);
        GdiFlush();
    }
    return bitmap;
}

HBITMAP MakeSolidBitmap(int w, int h, Pixel pixel) {
    return MakeBitmapFromPixels(w, h, std::vector<Pixel>(static_cast<size_t>(w) * h, pixel));
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    SIZE size = {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
    return size;
}

BitmapPixels ReadBitmapPixels(HBITMAP bitmap) {
    BitmapPixels result;
    BITMAP object = {};
    if (!bitmap || GetObjectW(bitmap, sizeof(object), &object) == 0) return result;
    SIZE size = BitmapSize(bitmap);
    BITMAPINFO info = TopDownHeader(size.cx, size.cy);
    std::vector<Pixel> pixels(static_cast<size_t>(size.cx) * size.cy);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, size.cy, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != size.cy) return result;
    result.width = size.cx;
    result.height = size.cy;
    result.pixels.swap(pixels);
    return result;
}

Pixel PixelAt(HBITMAP bitmap, int x, int y) {
    BitmapPixels p = ReadBitmapPixels(bitmap);
    if (x < 0 || y < 0 || x >= p.width || y >= p.height) return 0;
    return p.at(x, y);
}

BitmapPixels ScreenPixelsOfClient(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    int w = client.right - client.left;
    int h = client.bottom - client.top;
    if (w <= 0 || h <= 0) return BitmapPixels();
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, w, h, screen, client.left, client.top, SRCCOPY);
    SelectObject(copy, old);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    BitmapPixels pixels = ReadBitmapPixels(bitmap);
    DeleteObject(bitmap);
    return pixels;
}

bool NearColour(Pixel actual, Pixel expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        int a = (actual >> shift) & 0xFF;
        int e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > tolerance) return false;
    }
    return true;
}

std::string ColourText(Pixel colour) {
    char text[16];
    snprintf(text, sizeof(text), "%08X", static_cast<unsigned>(colour));
    return text;
}

bool MaskBitSet(HBITMAP mask, int x, int y) {
    BITMAP info = {};
    GetObjectW(mask, sizeof(info), &info);
    std::vector<BYTE> bits(static_cast<size_t>(info.bmWidthBytes) * info.bmHeight, 0);
    GetBitmapBits(mask, static_cast<LONG>(bits.size()), bits.data());
    return (bits[static_cast<size_t>(y) * info.bmWidthBytes + x / 8] & (0x80 >> (x % 8))) != 0;
}

HICON MakeSolidIcon(int size, COLORREF colour) {
    HBITMAP picture = MakeSolidBitmap(size, size, MakePixel(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
    std::vector<BYTE> zeros(static_cast<size_t>(((size + 15) / 16) * 2) * size, 0);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, zeros.data());
    ICONINFO info = {TRUE, 0, 0, mask, picture};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(picture);
    return icon;
}

namespace {

// The colour and mask bitmaps of picture `index` of an image list, copies
// that the caller deletes; false when the image list gives no icon.
bool ImageListIconBitmaps(HIMAGELIST images, int index, ICONINFO* info) {
    *info = {};
    HICON icon = ImageList_GetIcon(images, index, ILD_NORMAL);
    if (!icon) return false;
    GetIconInfo(icon, info);
    DestroyIcon(icon);
    return true;
}

void DeleteIconBitmaps(const ICONINFO& info) {
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

}  // namespace

COLORREF ImageListColour(HIMAGELIST images, int index, int x, int y) {
    ICONINFO info;
    if (!ImageListIconBitmaps(images, index, &info)) return CLR_INVALID;
    COLORREF colour = PixelColour(PixelAt(info.hbmColor, x, y));
    DeleteIconBitmaps(info);
    return colour;
}

BitmapPixels ImageListPixels(HIMAGELIST images, int index) {
    ICONINFO info;
    if (!ImageListIconBitmaps(images, index, &info)) return {};
    BitmapPixels pixels = ReadBitmapPixels(info.hbmColor);
    DeleteIconBitmaps(info);
    return pixels;
}

bool ImageListMaskBit(HIMAGELIST images, int index, int x, int y) {
    ICONINFO info;
    if (!ImageListIconBitmaps(images, index, &info)) return false;
    bool set = MaskBitSet(info.hbmMask, x, y);
    DeleteIconBitmaps(info);
    return set;
}

void AddSolidPicture(HIMAGELIST images, COLORREF colour) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    HICON icon = MakeSolidIcon(cx, colour);
    ImageList_ReplaceIcon(images, -1, icon);
    DestroyIcon(icon);
}

void WriteSolidIconFile(const std::wstring& path, int size, COLORREF colour) {
    MakeFolder(path.substr(0, path.find_last_of(L'\\')));
    HICON icon = MakeSolidIcon(size, colour);
    SaveIconFile(icon, path.c_str());
    DestroyIcon(icon);
}

ArchiveBadge::ArchiveBadge() {
    icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ARCHIVE_BADGE), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    if (icon && GetIconInfo(icon, &info)) pixels = ReadBitmapPixels(info.hbmColor);
}

ArchiveBadge::~ArchiveBadge() {
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (icon) DestroyIcon(icon);
}

std::wstring MediaFixture(const std::wstring& name) {
    return JoinPath(BuildFolder(), L"tests\\fixtures\\media\\" + name);
}

std::wstring FrameFixture(const std::wstring& name) {
    return JoinPath(BuildFolder(), L"tests\\fixtures\\frames\\" + name);
}

HICON TileIconOfPixels(int size, const std::vector<Pixel>& pixels, bool withAlpha) {
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 1);
    HBITMAP picture = MakeBitmapFromPixels(size, static_cast<int>(pixels.size() / size), pixels);
    if (withAlpha) PremultiplyAlpha(picture);
    HBITMAP mask = MakeTileMask(picture, size);
    HBITMAP tile = ScaleToTile(picture, size, withAlpha ? 1 : 0);
    ImageList_Add(images, tile, mask);
    DeleteObject(tile);
    DeleteObject(mask);
    HICON icon = ImageList_GetIcon(images, 0, ILD_NORMAL);
    ImageList_Destroy(images);
    return icon;
}
