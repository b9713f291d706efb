#include "thumbnails/renderers/mp3_info.h"

#include <shlwapi.h>
#include <strsafe.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "thumbnails/renderers/image_decoding.h"

namespace {

// A title buffer never holds more than this many characters, so longer
// texts are not converted in full.
const size_t kMaxTextBytes = 4096;

// The one process-wide MCI alias; the worker and the preview may both ask.
SRWLOCK mciLock = SRWLOCK_INIT;

uint32_t Syncsafe(const BYTE* p) {
    return (uint32_t(p[0] & 0x7F) << 21) | (uint32_t(p[1] & 0x7F) << 14) | (uint32_t(p[2] & 0x7F) << 7) | (p[3] & 0x7F);
}

uint32_t BigEndian32(const BYTE* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint32_t BigEndian24(const BYTE* p) {
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

bool SameLetters(const BYTE* p, const char* name, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        BYTE c = p[i];
        if (c >= 'a' && c <= 'z') c = static_cast<BYTE>(c - 'a' + 'A');
        if (c != static_cast<BYTE>(name[i])) return false;
    }
    return true;
}

bool IsIdCharacter(BYTE c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether a frame identifier can start at offset at: three capital letters
// or digits inside the bytes.
bool LooksLikeFrame(const BYTE* data, size_t size, uint64_t at) {
    if (at > size || size - at < 3) return false;
    return IsIdCharacter(data[at]) && IsIdCharacter(data[at + 1]) && IsIdCharacter(data[at + 2]);
}

void SetTitle(wchar_t* title, const wchar_t* text, size_t length) {
    size_t n = std::min(length, static_cast<size_t>(kMp3TitleChars - 1));
    // Never leave half a surrogate pair at a cut.
    if (n < length && n > 0 && IS_HIGH_SURROGATE(text[n - 1])) --n;
    std::copy(text, text + n, title);
    title[n] = 0;
}

// Single-byte or UTF-8 text up to its first zero byte.
void SetTitleFromBytes(wchar_t* title, UINT codePage, const BYTE* bytes, size_t count) {
    count = std::min(count, kMaxTextBytes);
    size_t length = std::find(bytes, bytes + count, 0) - bytes;
    std::wstring text;
    if (length > 0) {
        // Without MB_ERR_INVALID_CHARS bad sequences become U+FFFD.
        const char* source = reinterpret_cast<const char*>(bytes);
        int chars = MultiByteToWideChar(codePage, 0, source, static_cast<int>(length), nullptr, 0);
        if (chars > 0) {
            text.resize(chars);
            chars = MultiByteToWideChar(codePage, 0, source, static_cast<int>(length), &text[0], chars);
            text.resize(chars > 0 ? chars : 0);
        }
    }
    SetTitle(title, text.c_str(), text.size());
}

// Bytes from start to at most count, clipped to the buffer.
size_t Available(size_t size, uint64_t start, int64_t count) {
    if (count <= 0 || start >= size) return 0;
    return static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(count), size - start));
}

// Offset just past the description of a picture frame, whose encoding says
// whether it ends with one zero byte or with one zero 16-bit unit; end when
// it does not end inside the frame.
uint64_t SkipDescription(const BYTE* data, uint64_t at, uint64_t end, BYTE encoding) {
    if (encoding == 1 || encoding == 2) {
        while (at + 2 <= end) {
            if (data[at] == 0 && data[at + 1] == 0) return at + 2;
            at += 2;
        }
        return end;
    }
    while (at < end) {
        if (data[at] == 0) return at + 1;
        ++at;
    }
    return end;
}

// The picture data of a picture frame whose body is data[pos, end); its
// start comes back in dataStart whether or not the frame holds a picture.
HBITMAP DecodePictureFrame(const BYTE* data, uint64_t pos, uint64_t end, bool threeLetterIds, uint64_t* dataStart) {
    *dataStart = end;
    if (pos >= end) return nullptr;
    BYTE encoding = data[pos];
    uint64_t at = pos + 1;
    if (threeLetterIds) {
        at += 3;  // image format
    } else {
        while (at < end && data[at] != 0) ++at;  // MIME type
        ++at;
    }
    if (at >= end) return nullptr;
    BYTE pictureType = data[at];
    at = SkipDescription(data, at + 1, end, encoding);
    *dataStart = at;
    if (pictureType != 0 && pictureType != 3) return nullptr;
    if (at >= end || end - at > UINT_MAX) return nullptr;
    return LoadImageFromMemory(data + at, static_cast<DWORD>(end - at));
}

// The whole file, or false when it cannot be opened or read.
bool ReadMp3File(const wchar_t* path, BYTE** data, size_t* size) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD fileSize = GetFileSize(file, nullptr);
    bool ok = fileSize != INVALID_FILE_SIZE && fileSize <= INT_MAX;
    BYTE* buffer = nullptr;
    DWORD read = 0;
    if (ok) {
        buffer = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, fileSize > 0 ? fileSize : 1));
        ok = buffer && ReadFile(file, buffer, fileSize, &read, nullptr);
    }
    CloseHandle(file);
    if (!ok) {
        if (buffer) HeapFree(GetProcessHeap(), 0, buffer);
        return false;
    }
    *data = buffer;
    *size = read;
    return true;
}

// Running time in milliseconds as MCI reports it; 0 when it cannot.
int Mp3Milliseconds(const wchar_t* path) {
    std::wstring open = L"open \"";
    open += path;
    open += L"\" alias _Zuv";
    wchar_t reply[256] = L"";
    AcquireSRWLockExclusive(&mciLock);
    mciSendStringW(open.c_str(), nullptr, 0, nullptr);
    if (mciSendStringW(L"status _Zuv length", reply, 256, nullptr) != 0) reply[0] = 0;
    mciSendStringW(L"close _Zuv", nullptr, 0, nullptr);
    ReleaseSRWLockExclusive(&mciLock);
    return StrToIntW(reply);
}

}  // namespace

void DecodeId3TextFrame(const BYTE* data, size_t size, size_t pos, uint32_t frameSize, int encoding, int unsync,
                        wchar_t* title) {
    if (encoding == 0 || encoding == 3) {
        uint64_t start = static_cast<uint64_t>(pos) + 1;
        size_t count = Available(size, start, static_cast<int64_t>(frameSize) - 1);
        SetTitleFromBytes(title, encoding == 0 ? CP_THREAD_ACP : CP_UTF8, count ? data + start : nullptr, count);
        return;
    }
    if (encoding == 1) {
        // The byte-order mark is skipped unread; unsynchronisation puts a
        // zero after its first byte.
        int skip = unsync ? 3 : 2;
        uint64_t start = static_cast<uint64_t>(pos) + 1 + skip;
        size_t count = Available(size, start, static_cast<int64_t>(frameSize) - 1 - skip);
        std::wstring text;
        for (size_t i = 0; i + 1 < count && text.size() < static_cast<size_t>(kMp3TitleChars); i += 2) {
            wchar_t c = static_cast<wchar_t>(data[start + i] | (data[start + i + 1] << 8));
            if (c == 0) break;
            text += c;
        }
        SetTitle(title, text.c_str(), text.size());
        return;
    }
    title[0] = 0;
}

bool ReadId3v1Title(const BYTE* data, size_t size, wchar_t* title) {
    if (!data || size < 128) return false;
    const BYTE* tag = data + size - 128;
    if (tag[0] != 'T' || tag[1] != 'A' || tag[2] != 'G') return false;
    SetTitleFromBytes(title, CP_THREAD_ACP, tag + 3, 30);
    return true;
}

HBITMAP ReadId3v2Tag(const BYTE* data, size_t size, wchar_t* title) {
    if (!data || size < 10) return nullptr;
    BYTE version = data[3];
    BYTE flags = data[5];
    uint64_t tagSize = Syncsafe(data + 6);
    bool unsync = (flags & 0x80) != 0;
    bool longIds = version == 3 || version == 4;
    uint64_t headerLength = longIds ? 10 : 6;
    size_t idLength = longIds ? 4 : 3;

    uint64_t f = 10;
    if (flags & 0x40) {
        if (size < 14) return nullptr;
        f = version == 4 ? 10 + uint64_t(Syncsafe(data + 10)) : 14 + uint64_t(BigEndian32(data + 10));
    }

    HBITMAP cover = nullptr;
    while (f <= tagSize) {
        if (f + headerLength > size) break;
        const BYTE* id = data + f;
        if (id[0] == 0) break;
        uint32_t frameSize = version == 4 ? Syncsafe(id + 4) : version == 3 ? BigEndian32(id + 4) : BigEndian24(id + 3);
        uint64_t pos = f + headerLength;
        uint64_t end = std::min<uint64_t>(pos + frameSize, size);
        bool picture = SameLetters(id, longIds ? "APIC" : "PIC", idLength);
        bool titleFrame = SameLetters(id, longIds ? "TIT2" : "TT2", idLength);
        uint64_t dataStart = pos;
        if (picture) {
            if (cover) DeleteObject(cover);
            cover = DecodePictureFrame(data, pos, end, !longIds, &dataStart);
            if (title[0] != 0) break;
        } else if (titleFrame) {
            int encoding = pos < size ? data[pos] : 0;
            DecodeId3TextFrame(data, size, static_cast<size_t>(pos), frameSize, encoding, unsync ? 1 : 0, title);
            if (cover) break;
        }
        uint64_t next = pos + frameSize;
        if (unsync && id[0] == 'T' && pos < size && data[pos] == 1) ++next;
        // Some writers count only the picture data in a picture frame's size.
        if (picture && next < tagSize && next < size && data[next] != 0 && !LooksLikeFrame(data, size, next)) {
            next = dataStart + frameSize;
        }
        f = next;
        if (f > tagSize) break;
        if (f < tagSize && !LooksLikeFrame(data, size, f)) break;
    }
    return cover;
}

void ComposeMp3Caption(wchar_t* title, int milliseconds) {
    int seconds = static_cast<int>(std::floor(milliseconds / 1000.0));
    wchar_t duration[32] = L"";
    StringCchPrintfW(duration, 32, L"%02d:%02d", seconds / 60, seconds % 60);
    wchar_t text[kMp3TitleChars];
    StringCchCopyW(text, kMp3TitleChars, title);
    // A caption longer than the buffer is cut.
    StringCchPrintfW(title, kMp3TitleChars, L"%s (%s)", text, duration);
}

HBITMAP ReadMp3Info(wchar_t* path, wchar_t* title) {
    PathUnquoteSpacesW(path);
    if (lstrcmpiW(PathFindExtensionW(path), L".mp3") != 0) return nullptr;
    BYTE* data = nullptr;
    size_t size = 0;
    if (!ReadMp3File(path, &data, &size)) return nullptr;

    int milliseconds = Mp3Milliseconds(path);
    HBITMAP cover = nullptr;
    if (size >= 3 && SameLetters(data, "ID3", 3)) {
        cover = ReadId3v2Tag(data, size, title);
    } else {
        ReadId3v1Title(data, size, title);
    }
    ComposeMp3Caption(title, milliseconds);
    HeapFree(GetProcessHeap(), 0, data);
    return cover;
}
