#include "thumbnails/cache_files.h"

#include <shlwapi.h>
#include <strsafe.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "shell/main_state.h"
#include "thumbnails/image_bitmap.h"
#include "thumbnails/thumbnail_worker.h"

namespace {

constexpr int kPath = 260;

#pragma pack(push, 1)
struct TIconDirEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInImage;
    DWORD imageOffset;
};
#pragma pack(pop)
static_assert(sizeof(TIconDirEntry) == 16, "icon directory entry is 16 bytes");

DWORD RoundUpTo4(DWORD n) {
    return (n + 3) & ~3u;
}

void WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    WriteFile(file, data, size, &written, nullptr);
}

void DeleteIfPresent(const wchar_t* path) {
    if (PathFileExistsW(path)) DeleteFileW(path);
}

bool CacheFolderOf(wchar_t* out, const wchar_t* folder) {
    out[0] = L'\0';
    return folder && PathCombineW(out, folder, kCacheFolderName) != nullptr;
}

void EnsureFolder(const wchar_t* path) {
    if (!IsFolderPath(path)) CreateDirectoryW(path, nullptr);
}

std::wstring ListItemText(HWND list, int index) {
    wchar_t text[kPath];
    ListViewItemText(list, index, text);
    return text;
}

}  // namespace

bool MakeItemCacheFilePath(wchar_t* out, const wchar_t* folder, const wchar_t* name, int iconViewMode) {
    wchar_t cache[kPath];
    out[0] = L'\0';
    if (!CacheFolderOf(cache, folder)) return false;
    const wchar_t* format = iconViewMode == 1 ? L"%s\\%s.Zuv.icon.ico" : L"%s\\%s.Zuv.list.ico";
    // A truncated name could name another item's file; such a path counts as none.
    if (FAILED(StringCchPrintfW(out, kPath, format, cache, name))) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool MakeFolderPicturePath(wchar_t* out, const wchar_t* folder, int iconViewMode) {
    wchar_t cache[kPath];
    out[0] = L'\0';
    if (!CacheFolderOf(cache, folder)) return false;
    const wchar_t* format = iconViewMode == 1 ? L"%s\\%s.icon.ico" : L"%s\\%s.list.ico";
    if (FAILED(StringCchPrintfW(out, kPath, format, cache, L"Zuv_FOLDER"))) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

void WriteBitmapRowsBottomUp(HANDLE file, HBITMAP bitmap) {
    BITMAP info = {};
    if (!GetObjectW(bitmap, sizeof(info), &info) || info.bmWidthBytes <= 0 || info.bmHeight == 0) return;
    DWORD rowBytes = static_cast<DWORD>(info.bmWidthBytes);
    DWORD height = static_cast<DWORD>(info.bmHeight < 0 ? -info.bmHeight : info.bmHeight);
    DWORD padded = RoundUpTo4(rowBytes);
    std::vector<BYTE> bits(static_cast<size_t>(height) * padded, 0);
    GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
    // The rows are turned over in memory and written at once: a write per
    // row made saving a folder slow.
    std::vector<BYTE> rows(bits.size(), 0);
    for (DWORD y = 0; y < height; ++y) {
        std::memcpy(rows.data() + static_cast<size_t>(height - 1 - y) * padded,
                    bits.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
    }
    WriteAll(file, rows.data(), static_cast<DWORD>(rows.size()));
}

namespace {

unsigned ReadWord(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

unsigned long ReadDword(const unsigned char* p) {
    return ReadWord(p) | (static_cast<unsigned long>(ReadWord(p + 2)) << 16);
}

}  // namespace

bool ParseCacheIconFile(const unsigned char* data, size_t length, int size, TCacheIconLayout* layout) {
    if (!data || size <= 0 || size > 4096 || length < 6 + sizeof(TIconDirEntry)) return false;
    if (ReadWord(data) != 0 || ReadWord(data + 2) != 1 || ReadWord(data + 4) != 1) return false;
    const unsigned char* entry = data + 6;
    if (entry[0] != (size & 0xFF) || entry[1] != (size & 0xFF) || ReadWord(entry + 4) != 1 ||
        ReadWord(entry + 6) != 32) {
        return false;
    }
    size_t colourBytes = static_cast<size_t>(size) * size * 4;
    size_t maskBytes = static_cast<size_t>(size) * (((size + 31) / 32) * 4);
    size_t imageBytes = sizeof(BITMAPINFOHEADER) + colourBytes + maskBytes;
    size_t offset = ReadDword(entry + 12);
    if (ReadDword(entry + 8) != imageBytes || offset < 6 + sizeof(TIconDirEntry) || offset > length ||
        length - offset < imageBytes) {
        return false;
    }
    const unsigned char* header = data + offset;
    if (ReadDword(header) != sizeof(BITMAPINFOHEADER) || ReadDword(header + 4) != static_cast<unsigned long>(size) ||
        ReadDword(header + 8) != 2ul * size || ReadWord(header + 12) != 1 || ReadWord(header + 14) != 32 ||
        ReadDword(header + 16) != BI_RGB) {
        return false;
    }
    layout->colourOffset = offset + sizeof(BITMAPINFOHEADER);
    layout->maskOffset = layout->colourOffset + colourBytes;
    return true;
}

bool CacheIconFileIsAsWritten(const unsigned char* data, size_t length, int size) {
    TCacheIconLayout layout = {};
    if (!ParseCacheIconFile(data, length, size, &layout)) return false;
    const size_t kOffset = 6 + sizeof(TIconDirEntry);
    size_t colourBytes = static_cast<size_t>(size) * size * 4;
    // The mask of an icon is a device bitmap: its rows are whole 16-bit words
    // in memory, padded to 32 bits in the file.
    size_t maskRow = ((static_cast<size_t>(size) + 31) / 32) * 4;
    size_t maskRowUsed = ((static_cast<size_t>(size) + 15) / 16) * 2;
    if (layout.colourOffset != kOffset + sizeof(BITMAPINFOHEADER) || length != layout.maskOffset + size * maskRow) {
        return false;
    }
    const unsigned char* entry = data + 6;
    const unsigned char* header = data + kOffset;
    if (entry[2] != 0 || entry[3] != 0 || ReadDword(header + 20) != colourBytes + size * maskRow) return false;
    for (size_t at = 24; at < sizeof(BITMAPINFOHEADER); ++at) {
        if (header[at] != 0) return false;
    }
    for (size_t row = 0; row < static_cast<size_t>(size); ++row) {
        const unsigned char* maskRowStart = data + layout.maskOffset + row * maskRow;
        for (size_t at = maskRowUsed; at < maskRow; ++at) {
            if (maskRowStart[at] != 0) return false;
        }
    }
    return true;
}

TCacheFileRead ReadCacheIconFile(const wchar_t* path, int size, std::vector<unsigned char>* data,
                                 TCacheIconLayout* layout, TCacheFileStamp* stamp) {
    if (stamp) stamp->path.clear();
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kCacheFileUnopened;
    LARGE_INTEGER sizeRead = {};
    FILETIME lastWrite = {};
    DWORD read = 0;
    // Size and time from the handle that reads the bytes, so they describe
    // exactly the bytes read. (GetFileInformationByHandle, which asks the
    // volume too, took longer under Wine than all the rest of the read.)
    bool ok = GetFileSizeEx(file, &sizeRead) && GetFileTime(file, nullptr, nullptr, &lastWrite);
    ULONGLONG fileSize = static_cast<ULONGLONG>(sizeRead.QuadPart);
    // A cache file of this program is far below this; anything larger is some other icon.
    ok = ok && fileSize > 0 && fileSize < (64 << 20);
    if (ok) {
        data->resize(static_cast<size_t>(fileSize));
        ok = ReadFile(file, data->data(), static_cast<DWORD>(data->size()), &read, nullptr) && read == data->size();
    }
    CloseHandle(file);
    if (!ok || !ParseCacheIconFile(data->data(), data->size(), size, layout)) return kCacheFileOther;
    if (stamp && CacheIconFileIsAsWritten(data->data(), data->size(), size)) {
        stamp->path = path;
        stamp->size = fileSize;
        stamp->lastWrite = lastWrite;
    }
    return kCacheFileRead;
}

void AppendToCacheStrip(TCacheStrip* strip, const unsigned char* data, const TCacheIconLayout& layout) {
    size_t size = static_cast<size_t>(strip->size);
    size_t colourBytes = size * size * 4;
    size_t maskBytes = size * (((size + 31) / 32) * 4);
    strip->colour.insert(strip->colour.end(), data + layout.colourOffset, data + layout.colourOffset + colourBytes);
    strip->mask.insert(strip->mask.end(), data + layout.maskOffset, data + layout.maskOffset + maskBytes);
    ++strip->count;
}

void ClearCacheStrip(TCacheStrip* strip) {
    strip->count = 0;
    strip->colour.clear();
    strip->mask.clear();
}

bool MakeCacheStripBitmaps(const TCacheStrip& strip, HBITMAP* colour, HBITMAP* mask) {
    *colour = nullptr;
    *mask = nullptr;
    const int size = strip.size;
    const int count = strip.count;
    if (size <= 0 || size > 4096 || count <= 0 || static_cast<long long>(size) * count > (1 << 16)) return false;
    const LONG width = static_cast<LONG>(size) * count;
    const size_t pictureRow = static_cast<size_t>(size) * 4;
    const size_t pictureMaskRow = ((static_cast<size_t>(size) + 31) / 32) * 4;
    const size_t stripMaskRow = ((static_cast<size_t>(width) + 31) / 32) * 4;
    if (strip.colour.size() != pictureRow * size * count || strip.mask.size() != pictureMaskRow * size * count) {
        return false;
    }

    // Row y of the strip is row y of every picture side by side; the rows
    // stay bottom-up, as the files hold them.
    std::vector<unsigned char> maskBits(stripMaskRow * size, 0);
    for (int k = 0; k < count; ++k) {
        const unsigned char* from = strip.mask.data() + pictureMaskRow * size * k;
        size_t bit0 = static_cast<size_t>(size) * k;
        for (int y = 0; y < size; ++y) {
            const unsigned char* row = from + pictureMaskRow * y;
            unsigned char* to = maskBits.data() + stripMaskRow * y;
            if (bit0 % 8 == 0 && size % 8 == 0) {
                std::memcpy(to + bit0 / 8, row, static_cast<size_t>(size) / 8);
                continue;
            }
            for (int x = 0; x < size; ++x) {
                if (row[x / 8] & (0x80 >> (x % 8))) {
                    size_t at = bit0 + x;
                    to[at / 8] |= static_cast<unsigned char>(0x80 >> (at % 8));
                }
            }
        }
    }
    void* bits = nullptr;
    HBITMAP picture = CreateDib(DibHeader(width, size, 32), &bits);
    HBITMAP maskBitmap = CreateBitmap(width, size, 1, 1, nullptr);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } maskInfo = {DibHeader(width, size, 1), {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    HDC screen = GetDC(nullptr);
    bool ok = picture && maskBitmap &&
              SetDIBits(screen, maskBitmap, 0, size, maskBits.data(), reinterpret_cast<BITMAPINFO*>(&maskInfo),
                        DIB_RGB_COLORS) == size;
    ReleaseDC(nullptr, screen);
    if (!ok) {
        if (picture) DeleteObject(picture);
        if (maskBitmap) DeleteObject(maskBitmap);
        return false;
    }
    unsigned char* out = static_cast<unsigned char*>(bits);
    for (int k = 0; k < count; ++k) {
        const unsigned char* from = strip.colour.data() + pictureRow * size * k;
        for (int y = 0; y < size; ++y) {
            std::memcpy(out + pictureRow * count * y + pictureRow * k, from + pictureRow * y, pictureRow);
        }
    }
    GdiFlush();
    *colour = picture;
    *mask = maskBitmap;
    return true;
}

bool LoadCacheIconBitmaps(const wchar_t* path, int size, HBITMAP* colour, HBITMAP* mask, TCacheFileStamp* stamp) {
    *colour = nullptr;
    *mask = nullptr;
    std::vector<unsigned char> data;
    TCacheIconLayout layout = {};
    TCacheStrip strip;
    strip.size = size;
    bool ok = ReadCacheIconFile(path, size, &data, &layout, stamp) == kCacheFileRead;
    if (ok) {
        AppendToCacheStrip(&strip, data.data(), layout);
        ok = MakeCacheStripBitmaps(strip, colour, mask);
    }
    if (!ok && stamp) stamp->path.clear();
    return ok;
}

void SaveIconFile(HICON icon, const wchar_t* path) {
    // Without a readable picture no file is made: the worker renders the item anew.
    if (!icon || !path || !*path) return;
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return;
    BITMAP colour = {};
    BITMAP mask = {};
    bool readable = info.hbmColor && info.hbmMask && GetObjectW(info.hbmColor, sizeof(colour), &colour) &&
                    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    HANDLE file = readable ? CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)
                           : INVALID_HANDLE_VALUE;
    if (file != INVALID_HANDLE_VALUE) {
        const WORD header[3] = {0, 1, 1};
        WriteAll(file, header, sizeof(header));
        SetFilePointer(file, sizeof(TIconDirEntry), nullptr, FILE_CURRENT);

        DWORD colourHeight = static_cast<DWORD>(colour.bmHeight);
        DWORD maskHeight = static_cast<DWORD>(mask.bmHeight);
        DWORD colourBytes = colourHeight * RoundUpTo4(static_cast<DWORD>(colour.bmWidthBytes));
        DWORD maskBytes = maskHeight * RoundUpTo4(static_cast<DWORD>(mask.bmWidthBytes));

        BITMAPINFOHEADER bih = {};
        bih.biSize = sizeof(bih);
        bih.biWidth = colour.bmWidth;
        bih.biHeight = colour.bmHeight * 2;  // colour image and mask together
        bih.biPlanes = colour.bmPlanes;
        bih.biBitCount = colour.bmBitsPixel;
        bih.biCompression = BI_RGB;
        bih.biSizeImage = colourBytes + maskBytes;
        WriteAll(file, &bih, sizeof(bih));

        WriteBitmapRowsBottomUp(file, info.hbmColor);
        WriteBitmapRowsBottomUp(file, info.hbmMask);

        TIconDirEntry entry = {};
        entry.width = static_cast<BYTE>(colour.bmWidth & 0xFF);
        entry.height = static_cast<BYTE>(colour.bmHeight & 0xFF);
        entry.colourCount =
            colour.bmBitsPixel < 8 ? static_cast<BYTE>(1u << (colour.bmPlanes * colour.bmBitsPixel)) : 0;
        entry.planes = colour.bmPlanes;
        entry.bitCount = colour.bmBitsPixel;
        entry.bytesInImage = sizeof(bih) + colourBytes + maskBytes;
        entry.imageOffset = sizeof(header) + sizeof(entry);
        SetFilePointer(file, sizeof(header), nullptr, FILE_BEGIN);
        WriteAll(file, &entry, sizeof(entry));
        CloseHandle(file);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
}

namespace {

// The file the save would write from the picture at `position` is the one
// that picture was read from, still as it was then.
bool FileIsPictureSource(const TCacheFileStamps* unchanged, int position, const wchar_t* target) {
    if (!unchanged || position < 0 || static_cast<size_t>(position) >= unchanged->size()) return false;
    const TCacheFileStamp& stamp = (*unchanged)[static_cast<size_t>(position)];
    if (stamp.path.empty() || _wcsicmp(stamp.path.c_str(), target) != 0) return false;
    WIN32_FILE_ATTRIBUTE_DATA now = {};
    if (!GetFileAttributesExW(target, GetFileExInfoStandard, &now)) return false;
    ULONGLONG size = (static_cast<ULONGLONG>(now.nFileSizeHigh) << 32) | now.nFileSizeLow;
    return size == stamp.size && CompareFileTime(&now.ftLastWriteTime, &stamp.lastWrite) == 0 &&
           !(now.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void SaveFolderCacheWhile(HWND, HWND list, HIMAGELIST imagesLarge, HIMAGELIST imagesSmall, const wchar_t* folder,
                          bool (*stillWanted)(void* context), void* context, const TCacheFileStamps* unchanged) {
    wchar_t cache[kPath];
    if (!CacheFolderOf(cache, folder)) return;
    EnsureFolder(cache);

    // One read of the names: looking each up in the list again made the
    // save quadratic in the number of items. The read waits for the
    // user-interface thread, which may move to another folder meanwhile: the
    // names are used only while the save is still wanted after it.
    TListNames names;
    ReadListNames(list, &names);
    for (const std::wstring& name : names.texts) {
        if (stillWanted && !stillWanted(context)) return;
        if (_wcsicmp(name.c_str(), kCacheFolderName) == 0) continue;
        wchar_t itemPath[kPath];
        if (!PathCombineW(itemPath, folder, name.c_str()) || IsFolderPath(itemPath)) continue;

        int mode = iconView;
        wchar_t iconPath[kPath];
        wchar_t listPath[kPath];
        MakeItemCacheFilePath(iconPath, folder, name.c_str(), 1);
        MakeItemCacheFilePath(listPath, folder, name.c_str(), 0);
        const wchar_t* target = mode == 1 ? iconPath : listPath;
        if (!*target) continue;
        HIMAGELIST images = mode == 1 ? imagesLarge : imagesSmall;
        int position = ListNamesPosition(names, name);
        // Rewriting such a file would put the same bytes back, slowly: Wine
        // takes long to create a name that was just deleted.
        if (position >= 0 && position < ImageList_GetImageCount(images) &&
            FileIsPictureSource(unchanged, position, target)) {
            continue;
        }

        HICON icon = ListNamesIcon(names, images, name);
        if (stillWanted && !stillWanted(context)) {
            if (icon) DestroyIcon(icon);
            return;
        }
        DeleteIfPresent(target);
        SaveIconFile(icon, target);
        if (icon) DestroyIcon(icon);
    }
}

void SaveFolderCache(HWND window, HWND list, HIMAGELIST imagesLarge, HIMAGELIST imagesSmall,
                     const wchar_t* folder) {
    SaveFolderCacheWhile(window, list, imagesLarge, imagesSmall, folder, nullptr, nullptr);
}

void SetFolderPicture() {
    wchar_t cache[kPath];
    if (!CacheFolderOf(cache, currentDir)) return;
    int mode = iconView;
    wchar_t picture[kPath];
    if (!MakeFolderPicturePath(picture, currentDir, mode)) return;
    EnsureFolder(cache);

    HIMAGELIST images = mode == 1 ? imageListLarge : imageListSmall;
    int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        UINT state = static_cast<UINT>(SendMessageW(listView, LVM_GETITEMSTATE, i, LVIS_SELECTED));
        std::wstring name = ListItemText(listView, i);
        if (!(state & LVIS_SELECTED)) continue;
        wchar_t itemPath[kPath];
        if (!PathCombineW(itemPath, currentDir, name.c_str())) continue;
        if (!IsFolderPath(itemPath)) {
            DeleteIfPresent(picture);
            HICON icon = FindListItemIcon(listView, images, name.c_str());
            SaveIconFile(icon, picture);
            if (icon) DestroyIcon(icon);
            return;  // only the first selected file counts
        }
        DeleteIfPresent(picture);
        wchar_t source[kPath];
        if (MakeFolderPicturePath(source, itemPath, mode)) CopyFileW(source, picture, FALSE);
    }
}

void ForgetItemPicture(const wchar_t* path) {
    DeleteCacheEntries(path);
    if (!path || !shadowListView) return;
    wchar_t folder[kPath];
    if (FAILED(StringCchCopyW(folder, kPath, path))) return;
    PathRemoveFileSpecW(folder);
    if (lstrcmpiW(folder, currentDir) != 0) return;
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = PathFindFileNameW(path);
    int index = static_cast<int>(SendMessageW(shadowListView, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(&find)));
    // An empty name is no item's: the picture at that position is never found.
    if (index >= 0) {
        LVITEMW item = {};
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(shadowListView, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    }
}

void DeleteCacheEntries(const wchar_t* path) {
    if (!path) return;
    size_t length = 0;
    // A longer path would be cut and could name another item's files.
    if (FAILED(StringCchLengthW(path, kPath, &length))) return;
    wchar_t name[kPath];
    wchar_t folder[kPath];
    StringCchCopyW(name, kPath, path);
    StringCchCopyW(folder, kPath, path);
    PathStripPathW(name);
    PathRemoveFileSpecW(folder);
    wchar_t iconPath[kPath];
    wchar_t listPath[kPath];
    if (MakeItemCacheFilePath(iconPath, folder, name, 1)) DeleteIfPresent(iconPath);
    if (MakeItemCacheFilePath(listPath, folder, name, 0)) DeleteIfPresent(listPath);
}
