#include "thumbnails/renderers/font_sample.h"

#include <shlwapi.h>
#include <strsafe.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "thumbnails/image_bitmap.h"
#include "thumbnails/renderers/ansi_text.h"
#include "thumbnails/renderers/font_conversion.h"
#include "thumbnails/renderers/renderer_locks.h"

namespace {

enum TFontKind { kNotAFont, kSfntFile, kTtcFile, kWoffFile, kWoff2File };

// Bytes of a naming-table string that are read; a face name holds at most
// 259 UTF-16 units.
const size_t kNameBytes = 518;

uint16_t Read16(const BYTE* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t Read32(const BYTE* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool RangeFits(size_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

TFontKind FontKind(const wchar_t* path) {
    const wchar_t* extension = PathFindExtensionW(path);
    if (lstrcmpiW(extension, L".ttf") == 0 || lstrcmpiW(extension, L".otf") == 0) return kSfntFile;
    if (lstrcmpiW(extension, L".ttc") == 0) return kTtcFile;
    if (lstrcmpiW(extension, L".woff") == 0) return kWoffFile;
    if (lstrcmpiW(extension, L".woff2") == 0) return kWoff2File;
    return kNotAFont;
}

// The font's bytes in one LocalAlloc block, freed when the holder goes.
class TFontData {
public:
    TFontData() = default;
    ~TFontData() { Reset(nullptr, 0); }
    TFontData(const TFontData&) = delete;
    TFontData& operator=(const TFontData&) = delete;

    BYTE* bytes() const { return bytes_; }
    size_t size() const { return size_; }
    bool Allocate(size_t size) {
        BYTE* block = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, size));
        if (!block) return false;
        Reset(block, size);
        return true;
    }
    // Takes over a block made by LocalAlloc.
    void Reset(BYTE* bytes, size_t size) {
        if (bytes_) LocalFree(bytes_);
        bytes_ = bytes;
        size_ = size;
    }

private:
    BYTE* bytes_ = nullptr;
    size_t size_ = 0;
};

bool ReadWholeFile(const wchar_t* path, TFontData* font) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    int size = static_cast<int>(GetFileSize(file, nullptr));
    DWORD read = 0;
    bool ok = size > 0 && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 && font->Allocate(size) &&
              ReadFile(file, font->bytes(), size, &read, nullptr) && read == static_cast<DWORD>(size);
    CloseHandle(file);
    if (!ok) font->Reset(nullptr, 0);
    return ok;
}

// A copy of bytes in a new block that replaces the font's data.
bool ReplaceFontData(TFontData* font, const void* bytes, size_t size) {
    BYTE* block = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, size));
    if (!block) return false;
    std::memcpy(block, bytes, size);
    font->Reset(block, size);
    return true;
}

bool ConvertWoff(TFontData* font) {
    int size = ConvertWoffToSfnt(font->bytes(), font->size(), 1, nullptr, 0);
    if (size <= 0) return false;
    BYTE* block = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, size));
    if (!block) return false;
    if (ConvertWoffToSfnt(font->bytes(), font->size(), 0, block, size) != size) {
        LocalFree(block);
        return false;
    }
    font->Reset(block, size);
    return true;
}

// The decoder reads the file again through its ANSI path; a path that the
// code page cannot spell gives no font.
bool ConvertWoff2(const wchar_t* path, TFontData* font) {
    font->Reset(nullptr, 0);
    std::string ansiPath = ThreadAnsiText(path);
    if (ansiPath.empty()) return false;
    std::string sfnt = DecodeWoff2(ReadFileToString(ansiPath.c_str()));
    return !sfnt.empty() && ReplaceFontData(font, sfnt.data(), sfnt.size());
}

bool ExtractCollectionMember(TFontData* font, int* faceIndex) {
    size_t size = TtcMemberSize(font->bytes(), font->size(), faceIndex);
    if (size == 0) return false;
    BYTE* block = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, size));
    if (!block) return false;
    if (ExtractTtcMember(font->bytes(), font->size(), faceIndex, block, size) != static_cast<int>(size)) {
        LocalFree(block);
        return false;
    }
    font->Reset(block, size);
    return true;
}

// A collection inside a file of another extension, or a WOFF2 collection.
bool IsCollection(const TFontData& font, uint32_t* firstMember) {
    if (font.size() < 16 || _strnicmp(reinterpret_cast<const char*>(font.bytes()), "ttcf", 4) != 0) return false;
    uint32_t version = Read32(font.bytes() + 4);
    if (version != 0x00010000 && version != 0x00020000) return false;
    *firstMember = Read32(font.bytes() + 12);
    return true;
}

HFONT MakeFont(int height, int quality, const wchar_t* face) {
    return CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH | FF_DONTCARE, face);
}

bool HasControlCharacter(const wchar_t* name) {
    for (int i = 0; i < kFaceNameChars && name[i]; ++i) {
        if (name[i] < 0x20) return true;
    }
    return false;
}

// Steps from the device contexts on: the face name, the memory font, the
// choice of sample and the drawing.
HBITMAP DrawFontData(const TFontData& font, int width, int height, int pointSize, const wchar_t* sampleJp,
                     const wchar_t* sampleEn, int sampleOnly, wchar_t* faceNameOut) {
    // From adding the font until it is removed, no other thread asks GDI for
    // a face by name.
    TLockHold hold(&privateFontLock);
    HWND window = GetActiveWindow();
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    wchar_t placeholderFace[kFaceNameChars] = L"";
    GetTextFaceW(windowDc, kFaceNameChars, placeholderFace);

    wchar_t faceName[kFaceNameChars] = L"";
    uint32_t firstMember = 0;
    bool named = true;
    if (IsCollection(font, &firstMember)) {
        ReadFontName(faceName, font.bytes(), font.size(), firstMember);
    } else {
        named = ReadFontName(faceName, font.bytes(), font.size(), 0) != -1;
    }
    // Without a name GDI would draw some other face.
    named = named && faceName[0] != 0;
    if (named) lstrcpynW(faceNameOut, faceName, kFaceNameChars);

    HANDLE memoryFont = nullptr;
    DWORD fonts = 0;
    if (named && !HasControlCharacter(faceName) && FontTablesFit(font.bytes(), font.size())) {
        memoryFont = AddFontMemResourceEx(font.bytes(), static_cast<DWORD>(font.size()), nullptr, &fonts);
    }
    HBITMAP bitmap = nullptr;
    if (memoryFont && fonts > 0) {
        HFONT probe = MakeFont(10, DRAFT_QUALITY, faceName);
        HGDIOBJ oldFont = SelectObject(memoryDc, probe);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(memoryDc, &metrics);
        const wchar_t* sample = metrics.tmCharSet == SHIFTJIS_CHARSET ? sampleJp : sampleEn;
        HFONT placeholder = MakeFont(10, DRAFT_QUALITY, placeholderFace);
        SelectObject(memoryDc, placeholder);
        DeleteObject(probe);

        wchar_t text[kSampleTextChars] = L"";
        if (sampleOnly == 1) {
            StringCchPrintfW(text, kSampleTextChars, L"%s", sample ? sample : L"");
        } else {
            StringCchPrintfW(text, kSampleTextChars, L"%s\n%s", faceName, sample ? sample : L"");
        }

        void* bits = nullptr;
        bitmap = CreateDib(DibHeader(width, height, 24), &bits);
        if (bitmap) {
            HGDIOBJ oldBitmap = SelectObject(memoryDc, bitmap);
            RECT all = {0, 0, width, height};
            FillRect(memoryDc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            DrawFontSample(memoryDc, placeholderFace, faceName, text, pointSize, width, height, sampleOnly);
            SelectObject(memoryDc, oldBitmap);
        }
        SelectObject(memoryDc, oldFont);
        DeleteObject(placeholder);
    }
    if (memoryFont) RemoveFontMemResourceEx(memoryFont);
    ReleaseDC(window, windowDc);
    DeleteDC(memoryDc);
    return bitmap;
}

}  // namespace

HBITMAP RenderFontSample(wchar_t* path, int width, int height, int pointSize, const wchar_t* sampleJp,
                         const wchar_t* sampleEn, int sampleOnly, wchar_t* faceName, int* faceIndex) {
    if (!path) return nullptr;
    PathUnquoteSpacesW(path);
    TFontKind kind = FontKind(path);
    if (kind == kNotAFont) return nullptr;

    TFontData font;
    if (!ReadWholeFile(path, &font)) return nullptr;
    bool ok = true;
    if (kind == kWoffFile) ok = ConvertWoff(&font);
    if (kind == kWoff2File) ok = ConvertWoff2(path, &font);
    if (kind == kTtcFile) {
        int unused = 0;
        ok = ExtractCollectionMember(&font, faceIndex ? faceIndex : &unused);
    }
    if (!ok) return nullptr;

    wchar_t unusedName[kFaceNameChars];
    return DrawFontData(font, width, height, pointSize, sampleJp, sampleEn, sampleOnly,
                        faceName ? faceName : unusedName);
}

int ReadFontName(wchar_t* faceName, const BYTE* data, size_t size, uint32_t offset) {
    if (!data || !RangeFits(size, offset, 12)) return -1;
    uint32_t version = Read32(data + offset);
    if (version != 0x00010000 && version != 0x4F54544F) return -1;
    uint16_t count = Read16(data + offset + 4);
    for (uint16_t i = 0; i < count; ++i) {
        uint64_t record = uint64_t(offset) + 12 + uint64_t(i) * 16;
        if (!RangeFits(size, record, 16)) break;
        if (std::memcmp(data + record, "name", 4) == 0) {
            ReadNameTable(faceName, data, size, Read32(data + record + 8));
            break;
        }
    }
    return 0;
}

void ReadNameTable(wchar_t* faceName, const BYTE* data, size_t size, uint32_t tableOffset) {
    if (!data || !RangeFits(size, tableOffset, 6)) return;
    uint16_t count = Read16(data + tableOffset + 2);
    uint64_t storage = uint64_t(tableOffset) + Read16(data + tableOffset + 4);
    std::wstring alternative;
    for (uint16_t i = 0; i < count; ++i) {
        uint64_t at = uint64_t(tableOffset) + 6 + uint64_t(i) * 12;
        if (!RangeFits(size, at, 12)) break;
        const BYTE* record = data + at;
        uint16_t platform = Read16(record);
        uint16_t encoding = Read16(record + 2);
        uint16_t language = Read16(record + 4);
        uint16_t nameId = Read16(record + 6);
        size_t length = std::min<size_t>(Read16(record + 8), kNameBytes);
        uint64_t start = storage + Read16(record + 10);
        bool qualifies = (platform == 1 || platform == 3) &&
                         (language == 0x0411 || language == 0x0409 || language == 0x000B) && nameId == 4 &&
                         (encoding == 0 || encoding == 1);
        // A string that runs past the data is not read at all.
        if (!qualifies || !RangeFits(size, start, length)) continue;

        BYTE bytes[kNameBytes + 2] = {};
        std::memcpy(bytes, data + start, length);
        wchar_t name[kFaceNameChars] = L"";
        size_t units = 0;
        for (; units < length / 2; ++units) {
            wchar_t unit = static_cast<wchar_t>((bytes[2 * units] << 8) | bytes[2 * units + 1]);
            if (unit == L'\n' || unit == L'\r') break;
            name[units] = unit;
        }
        name[units] = 0;
        lstrcpynW(faceName, name, kFaceNameChars);
        if (platform == 3 && language == 0x0411) return;
        if (platform == 1 && encoding == 1 && language == 0x000B) {
            const char* text = reinterpret_cast<const char*>(bytes);
            int textLength = lstrlenA(text);
            alternative.clear();
            int chars = textLength ? MultiByteToWideChar(CP_THREAD_ACP, 0, text, textLength, nullptr, 0) : 0;
            if (chars > 0) {
                alternative.resize(chars);
                MultiByteToWideChar(CP_THREAD_ACP, 0, text, textLength, &alternative[0], chars);
                // Cut to the buffer, never between the halves of a pair.
                if (alternative.size() > kFaceNameChars - 1) {
                    size_t keep = kFaceNameChars - 1;
                    if (IS_HIGH_SURROGATE(alternative[keep - 1])) --keep;
                    alternative.resize(keep);
                }
            }
        }
    }
    if (!alternative.empty()) lstrcpynW(faceName, alternative.c_str(), kFaceNameChars);
}

void DrawFontSample(HDC dc, const wchar_t* placeholderFace, const wchar_t* faceName, wchar_t* text, int pointSize,
                    int width, int height, int sampleOnly) {
    HFONT placeholder = MakeFont(10, DEFAULT_QUALITY, placeholderFace);
    HFONT probe = MakeFont(10, DEFAULT_QUALITY, faceName);
    HGDIOBJ oldFont = SelectObject(dc, probe);

    int length = static_cast<int>(wcsnlen(text, kSampleTextChars - 1));
    text[length] = 0;
    WORD glyphs[kSampleTextChars];
    if (GetGlyphIndicesW(dc, text, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) length = 0;
    for (int i = 0; i < length; ++i) {
        wchar_t c = text[i];
        if (c == L'\n') continue;
        // The two halves of an ideographic variation selector stay.
        bool selectorLead = c == 0xDB40 && i + 1 < length && text[i + 1] >= 0xDD00 && text[i + 1] <= 0xDDEF;
        bool selectorTrail = c >= 0xDD00 && c <= 0xDDEF && i > 0 && text[i - 1] == 0xDB40;
        if (selectorLead || selectorTrail) continue;
        if (glyphs[i] == 0xFFFF) text[i] = L' ';
    }

    SelectObject(dc, placeholder);
    DeleteObject(probe);
    HFONT sampleFont = CreateFontW(-MulDiv(pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE,
                                   FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE, faceName);
    SelectObject(dc, sampleFont);
    RECT area = {0, 0, width, 2 * height};
    DrawTextW(dc, text, -1, &area, sampleOnly == 1 ? 0 : DT_WORDBREAK);
    SelectObject(dc, placeholder);
    DeleteObject(sampleFont);
    SelectObject(dc, oldFont);
    DeleteObject(placeholder);
}
