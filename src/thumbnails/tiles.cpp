#include "thumbnails/tiles.h"

#include <commctrl.h>
#include <commoncontrols.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "shell/main_state.h"
#include "thumbnails/image_bitmap.h"

namespace {

const BLENDFUNCTION kBlendPremultiplied = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

}  // namespace

bool MeasureBitmap(HBITMAP bitmap, int* w, int* h) {
    BITMAP info = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) return false;
    *w = info.bmWidth;
    *h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    return true;
}

void FillWithBackground(HDC dc, int w, int h) {
    RECT all = {0, 0, w, h};
    HBRUSH brush = CreateSolidBrush(ThemeBackground());
    FillRect(dc, &all, brush);
    DeleteObject(brush);
}

namespace {

// All pixels of a bitmap as blue, green, red, alpha bytes, bottom row first.
bool FetchPixels(HBITMAP bitmap, BITMAPINFOHEADER* header, std::vector<BYTE>* pixels) {
    int w = 0, h = 0;
    if (!MeasureBitmap(bitmap, &w, &h) || w <= 0 || h <= 0) return false;
    *header = DibHeader(w, h, 32);
    pixels->assign(static_cast<size_t>(w) * h * 4, 0);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, h, pixels->data(), reinterpret_cast<BITMAPINFO*>(header),
                         DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows != 0;
}

void StorePixels(HBITMAP bitmap, BITMAPINFOHEADER* header, std::vector<BYTE>* pixels) {
    HDC screen = GetDC(nullptr);
    SetDIBits(screen, bitmap, 0, header->biHeight, pixels->data(), reinterpret_cast<BITMAPINFO*>(header),
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
}

// Runs the change over every blue, green, red, alpha quadruple of the
// bitmap and writes the result back. Null does nothing.
void ChangeEachPixel(HBITMAP bitmap, void (*change)(BYTE* pixel)) {
    if (!bitmap) return;
    BITMAPINFOHEADER header;
    std::vector<BYTE> pixels;
    if (!FetchPixels(bitmap, &header, &pixels)) return;
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) change(&pixels[i]);
    StorePixels(bitmap, &header, &pixels);
}

// A fresh mask buffer (all transparent) with the fitted rectangle made opaque.
// The opaque area keeps the left and top margins on both sides, so with an
// odd margin it reaches one column or row further than the drawn picture.
std::vector<BYTE> FittedMaskBytes(HBITMAP bitmap, int size) {
    int stride = MaskRowBytes(size);
    std::vector<BYTE> bytes(static_cast<size_t>(stride) * size, 0xFF);
    int w = 0, h = 0;
    if (!MeasureBitmap(bitmap, &w, &h)) return bytes;
    TFittedRect fit = FitIntoSquare(w, h, size);
    for (int y = fit.y0; y < size - fit.y0; ++y) {
        for (int x = fit.x0; x < size - fit.x0; ++x) {
            bytes[static_cast<size_t>(y) * stride + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
        }
    }
    return bytes;
}

HBITMAP MaskFromBytes(const std::vector<BYTE>& bytes, int size) {
    return CreateBitmap(size, size, 1, 1, bytes.data());
}

// Runs GetImage of the shell item with the given flags; null on any failure.
HBITMAP ShellItemImage(const wchar_t* path, int size, SIIGBF flags) {
    if (!path || !*path) return nullptr;
    IShellItemImageFactory* factory = nullptr;
    HRESULT hr = SHCreateItemFromParsingName(path, nullptr, IID_PPV_ARGS(&factory));
    HBITMAP image = nullptr;
    if (SUCCEEDED(hr)) {
        SIZE wanted = {size, size};
        hr = factory->GetImage(wanted, flags, &image);
        factory->Release();
    }
    return SUCCEEDED(hr) ? image : nullptr;
}

// Whether the bitmap shows nothing (see IsBlankPicture); unreadable counts.
bool BitmapIsBlank(HBITMAP bitmap) {
    BITMAPINFOHEADER header;
    std::vector<BYTE> pixels;
    if (!FetchPixels(bitmap, &header, &pixels)) return true;
    return IsBlankPicture(pixels.data(), pixels.size(), header.biWidth, header.biHeight);
}

// The icon's picture as a 32-bit bitmap with straight alpha; an icon without
// alpha takes its transparency from its mask.
HBITMAP IconPicture(HICON icon) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return nullptr;
    BITMAPINFOHEADER header;
    std::vector<BYTE> colour;
    std::vector<BYTE> mask;
    HBITMAP picture = nullptr;
    if (info.hbmColor && FetchPixels(info.hbmColor, &header, &colour)) {
        bool hasAlpha = false;
        for (size_t i = 3; i < colour.size(); i += 4) hasAlpha = hasAlpha || colour[i] != 0;
        BITMAPINFOHEADER maskHeader;
        if (!hasAlpha && FetchPixels(info.hbmMask, &maskHeader, &mask) && mask.size() == colour.size()) {
            // A set mask bit reads back as a white pixel: transparent.
            for (size_t i = 0; i < colour.size(); i += 4) colour[i + 3] = mask[i] ? 0 : 255;
        }
        void* bits = nullptr;
        picture = CreateDib(header, &bits);
        if (picture) std::memcpy(bits, colour.data(), colour.size());
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return picture;
}

// The shell's icon of the path at the largest size its system image lists
// offer, as a picture of straight alpha; null when the shell has none.
HBITMAP ShellIconPicture(const wchar_t* path) {
    SHFILEINFOW file = {};
    if (!SHGetFileInfoW(path, 0, &file, sizeof(file), SHGFI_SYSICONINDEX)) return nullptr;
    HICON icon = nullptr;
    for (int kind : {SHIL_JUMBO, SHIL_EXTRALARGE, SHIL_LARGE}) {
        IImageList* list = nullptr;
        if (FAILED(SHGetImageList(kind, IID_PPV_ARGS(&list)))) continue;
        icon = ImageList_GetIcon(reinterpret_cast<HIMAGELIST>(list), file.iIcon, ILD_NORMAL);
        list->Release();
        if (icon) break;
    }
    if (!icon) {
        SHFILEINFOW large = {};
        if (SHGetFileInfoW(path, 0, &large, sizeof(large), SHGFI_ICON | SHGFI_LARGEICON)) icon = large.hIcon;
    }
    HBITMAP picture = IconPicture(icon);
    if (icon) DestroyIcon(icon);
    return picture;
}

// The factory's picture unless it shows nothing (under Wine it is an empty
// 1 x 1 picture for folders and most files); then the shell's icon.
HBITMAP VisibleOrShellIcon(HBITMAP image, const wchar_t* path) {
    if (!image || !BitmapIsBlank(image)) return image;
    DeleteObject(image);
    return ShellIconPicture(path);
}

// An icon of the bitmap with the given mask, or with an opaque one.
HICON IconOfBitmap(HBITMAP colour, HBITMAP mask, int size) {
    std::vector<BYTE> opaque(static_cast<size_t>(MaskRowBytes(size)) * size, 0);
    HBITMAP ownMask = mask ? nullptr : CreateBitmap(size, size, 1, 1, opaque.data());
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask ? mask : ownMask;
    HICON icon = CreateIconIndirect(&info);
    if (ownMask) DeleteObject(ownMask);
    return icon;
}

}  // namespace

bool IsBlankPicture(const BYTE* bgra, size_t size, int width, int height) {
    if (width < 0) width = -width;
    if (height < 0) height = -height;
    if (width <= 1 && height <= 1) return true;
    size_t wanted = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    if (!bgra || size < wanted) return true;
    for (size_t i = 0; i < wanted; ++i) {
        if (bgra[i] != 0) return false;
    }
    return true;
}

COLORREF ThemeBackground() {
    // darkMode is written by the user-interface thread while workers read it.
    return *static_cast<volatile int*>(&darkMode) == 1 ? RGB(64, 64, 64) : GetSysColor(COLOR_BTNFACE);
}

TFittedRect FitIntoSquare(int w, int h, int size) {
    TFittedRect fit = {};
    if (w <= 0 || h <= 0 || size <= 0) {
        fit.x0 = size > 0 ? size / 2 : 0;
        fit.y0 = fit.x0;
        return fit;
    }
    double sx = static_cast<double>(size) / w;
    double sy = static_cast<double>(size) / h;
    fit.scale = sx < sy ? sx : sy;
    fit.width = static_cast<int>(std::lround(w * fit.scale));
    fit.height = static_cast<int>(std::lround(h * fit.scale));
    fit.blendWidth = static_cast<int>(std::floor(w * fit.scale));
    fit.blendHeight = static_cast<int>(std::floor(h * fit.scale));
    fit.x0 = (size - fit.width) / 2;
    fit.y0 = (size - fit.height) / 2;
    return fit;
}

int MaskRowBytes(int size) {
    return ((size + 15) >> 3) & ~1;
}

HBITMAP ScaleToTile(HBITMAP bitmap, int size, int alpha) {
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP tile = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ oldTarget = SelectObject(target, tile);
    FillWithBackground(target, size, size);
    int w = 0, h = 0;
    if (MeasureBitmap(bitmap, &w, &h)) {
        HGDIOBJ oldSource = SelectObject(source, bitmap);
        TFittedRect fit = FitIntoSquare(w, h, size);
        SetStretchBltMode(target, HALFTONE);
        SetBrushOrgEx(target, 0, 0, nullptr);
        if (alpha == 0) {
            StretchBlt(target, fit.x0, fit.y0, fit.width, fit.height, source, 0, 0, w, h, SRCCOPY);
        } else {
            AlphaBlend(target, fit.x0, fit.y0, fit.blendWidth, fit.blendHeight, source, 0, 0, w, h,
                       kBlendPremultiplied);
        }
        SelectObject(source, oldSource);
    }
    SelectObject(target, oldTarget);
    DeleteDC(target);
    DeleteDC(source);
    ReleaseDC(nullptr, screen);
    if (bitmap) DeleteObject(bitmap);
    return tile;
}

HBITMAP ComposeIntoSquare(HWND window, HBITMAP bitmap, int size, int speedMode) {
    HDC windowDc = GetDC(window);
    HDC source = CreateCompatibleDC(windowDc);
    HDC square = CreateCompatibleDC(windowDc);
    int w = 0, h = 0;
    bool hasPicture = MeasureBitmap(bitmap, &w, &h) && w > 0 && h > 0;
    HGDIOBJ oldSource = hasPicture ? SelectObject(source, bitmap) : nullptr;
    // With the input selected, compatible bitmaps take the input's format.
    HBITMAP result = CreateCompatibleBitmap(hasPicture ? source : windowDc, size, size);
    HGDIOBJ oldSquare = SelectObject(square, result);
    FillWithBackground(square, size, size);
    if (hasPicture) {
        HDC composed = CreateCompatibleDC(windowDc);
        HBITMAP composedBitmap = CreateCompatibleBitmap(source, w, h);
        HGDIOBJ oldComposed = SelectObject(composed, composedBitmap);
        FillWithBackground(composed, w, h);
        AlphaBlend(composed, 0, 0, w, h, source, 0, 0, w, h, kBlendPremultiplied);

        SetStretchBltMode(square, speedMode == 1 ? BLACKONWHITE : HALFTONE);
        SetBrushOrgEx(square, 0, 0, nullptr);
        double s = static_cast<double>(size) / (w > h ? w : h);
        int dw = static_cast<int>(w * s);
        int dh = static_cast<int>(h * s);
        int x = (size - dw) / 2;
        int y = static_cast<int>((size - dh) * 0.5);
        StretchBlt(square, x, y, dw, dh, composed, 0, 0, w, h, SRCCOPY);

        SelectObject(composed, oldComposed);
        DeleteObject(composedBitmap);
        DeleteDC(composed);
        SelectObject(source, oldSource);
    }
    SelectObject(square, oldSquare);
    DeleteDC(square);
    DeleteDC(source);
    ReleaseDC(window, windowDc);
    if (bitmap) DeleteObject(bitmap);
    return result;
}

HBITMAP ComposeFolderTile(HICON picture, HICON badge) {
    ICONINFO pictureInfo = {};
    ICONINFO badgeInfo = {};
    bool hasPicture = picture && GetIconInfo(picture, &pictureInfo);
    bool hasBadge = badge && GetIconInfo(badge, &badgeInfo);
    int w = 0, h = 0, bw = 0, bh = 0;
    if (hasPicture && !MeasureBitmap(pictureInfo.hbmColor, &w, &h)) {
        // A monochrome icon keeps its image and mask in one double-height bitmap.
        if (MeasureBitmap(pictureInfo.hbmMask, &w, &h)) h /= 2;
    }
    if (hasBadge && !MeasureBitmap(badgeInfo.hbmColor, &bw, &bh)) {
        if (MeasureBitmap(badgeInfo.hbmMask, &bw, &bh)) bh /= 2;
    }
    if (w <= 0 || h <= 0) {
        hasPicture = false;
        w = h = GetSystemMetrics(SM_CXICON);
    }

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP tile = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(dc, tile);
    FillWithBackground(dc, w, h);
    if (hasPicture) {
        DrawIconEx(dc, 0, 0, picture, w, h, 0, nullptr, DI_NORMAL);
        if (hasBadge && bw > 0 && bh > 0) DrawIconEx(dc, w - bw, h - bh, badge, bw, bh, 0, nullptr, DI_NORMAL);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    if (pictureInfo.hbmColor) DeleteObject(pictureInfo.hbmColor);
    if (pictureInfo.hbmMask) DeleteObject(pictureInfo.hbmMask);
    if (badgeInfo.hbmColor) DeleteObject(badgeInfo.hbmColor);
    if (badgeInfo.hbmMask) DeleteObject(badgeInfo.hbmMask);
    return tile;
}

HBITMAP MakeTileMask(HBITMAP bitmap, int size) {
    if (size <= 0) return nullptr;
    return MaskFromBytes(FittedMaskBytes(bitmap, size), size);
}

HBITMAP MakeArchiveTileMask(HBITMAP bitmap, int size, HBITMAP badge) {
    if (size <= 0) return nullptr;
    std::vector<BYTE> bytes = FittedMaskBytes(bitmap, size);
    int stride = MaskRowBytes(size);
    int bw = 0, bh = 0;
    if (MeasureBitmap(badge, &bw, &bh) && bw > 0 && bh > 0) {
        // Rows from the top, as the badge is drawn.
        BITMAPINFOHEADER header = DibHeader(bw, -bh, 32);
        std::vector<BYTE> pixels(static_cast<size_t>(bw) * bh * 4, 0);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        int rows = GetDIBits(dc, badge, 0, bh, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
                             DIB_RGB_COLORS);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        if (rows) {
            for (int y = size - bh; y < size; ++y) {
                for (int x = size - bw; x < size; ++x) {
                    // A badge larger than the tile reaches past its top-left edge.
                    if (x < 0 || y < 0) continue;
                    size_t pixel = (static_cast<size_t>(y - (size - bh)) * bw + (x - (size - bw))) * 4;
                    if (pixels[pixel + 3] != 0) {
                        bytes[static_cast<size_t>(y) * stride + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
                    }
                }
            }
        }
    }
    return MaskFromBytes(bytes, size);
}

HBITMAP MakeArchiveTile(HDC dc, HBITMAP picture, int size, int alpha, HBITMAP badge, HBITMAP* mask) {
    *mask = MakeArchiveTileMask(picture, size, badge);
    HBITMAP tile = ScaleToTile(picture, size, alpha);
    // Whatever alpha the picture brought along, the tile is opaque now: the
    // badge is composed over it, and the unpremultiplying below then leaves
    // the picture's colours (a blended picture's margins above all) alone.
    ChangeEachPixel(tile, [](BYTE* pixel) { pixel[3] = 255; });
    int bw = 0, bh = 0;
    if (MeasureBitmap(badge, &bw, &bh)) {
        HDC tileDc = CreateCompatibleDC(dc);
        HDC badgeDc = CreateCompatibleDC(dc);
        HGDIOBJ oldTile = SelectObject(tileDc, tile);
        HGDIOBJ oldBadge = SelectObject(badgeDc, badge);
        AlphaBlend(tileDc, size - bw, size - bh, bw, bh, badgeDc, 0, 0, bw, bh, kBlendPremultiplied);
        SelectObject(badgeDc, oldBadge);
        SelectObject(tileDc, oldTile);
        DeleteDC(badgeDc);
        DeleteDC(tileDc);
    }
    UnpremultiplyAndClearAlpha(tile);
    return tile;
}

void PremultiplyAlpha(HBITMAP bitmap) {
    ChangeEachPixel(bitmap, [](BYTE* pixel) {
        unsigned alpha = pixel[3];
        for (size_t c = 0; c < 3; ++c) pixel[c] = static_cast<BYTE>(pixel[c] * alpha / 255);
    });
}

void UnpremultiplyAndClearAlpha(HBITMAP bitmap) {
    ChangeEachPixel(bitmap, [](BYTE* pixel) {
        unsigned alpha = pixel[3];
        if (alpha == 0) return;
        double k = 255.0 / alpha;
        for (size_t c = 0; c < 3; ++c) {
            // A pixel that was not premultiplied would overflow the byte.
            int value = static_cast<int>(pixel[c] * k);
            pixel[c] = static_cast<BYTE>(value > 255 ? 255 : value);
        }
        pixel[3] = 0;
    });
}

HBITMAP GetShellItemIcon(const wchar_t* path, int size) {
    return VisibleOrShellIcon(ShellItemImage(path, size, SIIGBF_ICONONLY), path);
}

HICON GetShellItemImageIcon(const wchar_t* path, int size) {
    HBITMAP image = ShellItemImage(path, size, SIIGBF_BIGGERSIZEOK);
    if (!image) return nullptr;
    if (!BitmapIsBlank(image)) {
        HDC screen = GetDC(nullptr);
        HBITMAP mask = CreateCompatibleBitmap(screen, size, size);
        ReleaseDC(nullptr, screen);
        HICON icon = IconOfBitmap(image, mask, size);
        DeleteObject(mask);
        DeleteObject(image);
        return icon;
    }
    HBITMAP picture = VisibleOrShellIcon(image, path);
    if (!picture) return nullptr;
    PremultiplyAlpha(picture);
    HBITMAP tile = ScaleToTile(picture, size, 1);
    if (!tile) return nullptr;
    HICON icon = IconOfBitmap(tile, nullptr, size);
    DeleteObject(tile);
    return icon;
}
