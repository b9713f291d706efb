#include "preview/frame_loading.h"

#include <shlwapi.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "preview/apng_frames.h"
#include "preview/gif_frames.h"
#include "preview/ico_entries.h"
#include "preview/preview_state.h"
#include "preview/webp_frames.h"
#include "shell/main_state.h"
#include "thumbnails/renderers/image_decoding.h"
#include "thumbnails/tiles.h"

namespace {

// The whole file in a buffer allocated with malloc; null when it cannot be
// opened or read, is empty, or is too large for a signed 32-bit count.
BYTE* ReadWholeFile(const char* ansiPath, int* size) {
    HANDLE file = CreateFileA(ansiPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    BYTE* data = nullptr;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low != INVALID_FILE_SIZE && high == 0 && low > 0 && low <= 0x7FFFFFFF) {
        data = static_cast<BYTE*>(malloc(low));
        DWORD read = 0;
        if (data && !(ReadFile(file, data, low, &read, nullptr) && read == low)) {
            free(data);
            data = nullptr;
        }
        if (data) *size = static_cast<int>(low);
    }
    CloseHandle(file);
    return data;
}

bool HasExtension(const char* path, const char* extension) {
    return lstrcmpiA(PathFindExtensionA(path), extension) == 0;
}

HBITMAP DecodeRebuilt(const std::vector<uint8_t>& buffer, size_t length) {
    if (length == 0) return nullptr;
    return LoadImageFromMemory(buffer.data(), static_cast<DWORD>(length));
}

}  // namespace

bool EnsureAnimationFile(const char* ansiPath) {
    if (animFileData) return true;
    int size = 0;
    BYTE* data = ReadWholeFile(ansiPath, &size);
    if (!data) return false;
    animFileData = data;
    animFileSize = size;
    return true;
}

void GetGifFrameInfo(const char* ansiPath, int n, TFrameRect* placement) {
    if (!EnsureAnimationFile(ansiPath)) return;
    size_t first = GifFirstBlock(animFileData, animFileSize);
    if (first) FindGifFrame(animFileData, animFileSize, first, n, placement, &animDisposal);
}

HBITMAP BuildSingleFrameImage(const char* ansiPath, int index, TFrameRect* placement) {
    bool gif = HasExtension(ansiPath, ".gif");
    if (!gif && !HasExtension(ansiPath, ".png")) return nullptr;
    if (!EnsureAnimationFile(ansiPath)) return nullptr;
    const uint8_t* data = animFileData;
    size_t size = static_cast<size_t>(animFileSize);
    // One byte more than the file: a GIF that lacks its trailer gets one.
    std::vector<uint8_t> buffer(size + 1);
    size_t length = 0;
    if (gif) {
        size_t first = GifFirstBlock(data, size);
        if (first) {
            memcpy(buffer.data(), data, first);
            length = first;
            if (!CopyGifFrame(data, size, first, buffer.data(), buffer.size(), &length, index, placement,
                              &animDelayMs))
                length = 0;
        }
    } else {
        length = BuildApngFramePng(data, size, buffer.data(), buffer.size(), index, animDisposal);
    }
    HBITMAP frame = DecodeRebuilt(buffer, length);
    previewAlpha = 1;
    PremultiplyAlpha(frame);
    return frame;
}

HBITMAP LoadIcoEntry(const char* ansiPath) {
    int size = 0;
    BYTE* data = ReadWholeFile(ansiPath, &size);
    if (!data) return nullptr;
    std::vector<uint8_t> entry;
    HBITMAP bitmap = nullptr;
    if (ExtractIcoEntry(data, static_cast<size_t>(size), &animFrameIndex, &entry))
        bitmap = DecodeRebuilt(entry, entry.size());
    free(data);
    return bitmap;
}

HBITMAP LoadFrameByType(const char* ansiPath, const char* ansiExtension, TFrameRect* placement) {
    previewAlpha = 0;
    if (lstrcmpiA(ansiExtension, ".gif") == 0) {
        int count = EnsureAnimationFile(ansiPath) ? CountGifFrames(animFileData, animFileSize) : 0;
        // Past the count too, so an index left from another file cannot
        // step through frames that do not exist.
        if (animFrameIndex >= count || animFrameIndex < 0) animFrameIndex = 0;
        GetGifFrameInfo(ansiPath, animFrameIndex, placement);
        if (count < 2 || !FrameRectUsable(*placement)) return nullptr;
        return BuildSingleFrameImage(ansiPath, animFrameIndex, placement);
    }
    if (lstrcmpiA(ansiExtension, ".png") == 0) {
        if (!EnsureAnimationFile(ansiPath)) return nullptr;
        int animated = 0;
        ReadApngFrameInfo(&animFrameIndex, animFileData, animFileSize, &animDelayMs, placement, &animDisposal,
                          &animated);
        previewAlpha = 0;
        if (animated != 1 || !FrameRectUsable(*placement)) return nullptr;
        return BuildSingleFrameImage(ansiPath, animFrameIndex, placement);
    }
    if (lstrcmpiA(ansiExtension, ".webp") == 0) {
        HBITMAP frame = LoadWebpFrame(ansiPath, placement);
        if (frame && previewAlpha == 1) PremultiplyAlpha(frame);
        return frame;
    }
    if (lstrcmpiA(ansiExtension, ".ico") == 0 || lstrcmpiA(ansiExtension, ".icon") == 0) {
        HBITMAP entry = LoadIcoEntry(ansiPath);
        if (entry) {
            PremultiplyAlpha(entry);
            previewAlpha = 1;
        }
        return entry;
    }
    return nullptr;
}

bool ShortAnsiPath(const wchar_t* path, char* ansiPath) {
    wchar_t shortPath[kPathChars];
    DWORD chars = GetShortPathNameW(path, shortPath, kPathChars);
    if (chars == 0 || chars >= kPathChars) return false;
    return WideCharToMultiByte(CP_THREAD_ACP, 0, shortPath, -1, ansiPath, kPathChars, nullptr, nullptr) != 0;
}

HBITMAP LoadAnimationFrame(const wchar_t* path, TFrameRect* placement) {
    if (!PathFileExistsW(path)) return nullptr;
    char ansiPath[kPathChars];
    char ansiExtension[kPathChars];
    if (!ShortAnsiPath(path, ansiPath) ||
        !WideCharToMultiByte(CP_THREAD_ACP, 0, PathFindExtensionW(path), -1, ansiExtension, kPathChars, nullptr,
                             nullptr))
        return nullptr;
    return LoadFrameByType(ansiPath, ansiExtension, placement);
}
