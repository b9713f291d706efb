#include "thumbnails/renderers/text_file.h"

#include <d2d1.h>
#include <dwrite.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "thumbnails/image_bitmap.h"
#include "thumbnails/renderers/renderer_locks.h"
#include "thumbnails/renderers/safe_release.h"
#include "thumbnails/renderers/text_encoding.h"

namespace {

// Chooses the encoding from the stream's first bytes, read in text mode as
// the lines will be. Reading is bounded: a disk image or a video reaches this
// step as any other file.
int DetectStreamEncoding(FILE* stream) {
    struct _stat64 info = {};
    if (_fstat64(_fileno(stream), &info) != 0 || info.st_size <= 0) return DetectTextEncoding(nullptr, 0);
    uint32_t want = info.st_size < static_cast<int64_t>(kTextSampleBytes) ? static_cast<uint32_t>(info.st_size)
                                                                          : kTextSampleBytes;
    unsigned char* sample = static_cast<unsigned char*>(malloc(static_cast<size_t>(want) + 1));
    if (!sample) return DetectTextEncoding(nullptr, 0);
    size_t got = fread(sample, 1, want, stream);
    sample[got] = 0;
    int encoding = DetectTextEncoding(sample, static_cast<uint32_t>(got));
    free(sample);
    return encoding;
}

const wchar_t* StreamMode(int encoding) {
    switch (encoding) {
    case kTextUtf16Le: return L"r, ccs=UTF-16LE";
    case kTextUtf16Be: return L"rb, ccs=UTF-16LE";
    case kTextUtf8: return L"r, ccs=UTF-8";
    default: return nullptr;  // the stream already open in "r"
    }
}

// Read in binary mode, big-endian units arrive with their bytes swapped.
void SwapUnits(wchar_t* line) {
    for (; *line; ++line) *line = static_cast<wchar_t>((*line << 8) | ((*line >> 8) & 0xFF));
}

// One line of ANSI text as fgetws gives it (up to and including a line
// feed, at most kTextLineChars - 1 characters), decoded here in the thread's
// ANSI code page: the C runtime's locale of a thread made by CreateThread
// stays "C" whatever another thread sets, and would give one character per
// byte. The stream is in text mode, so line ends and Ctrl+Z are its own.
bool ReadAnsiLine(FILE* stream, std::wstring* line) {
    std::string bytes;
    int chars = 0;
    while (chars < kTextLineChars - 1) {
        int c = getc(stream);
        if (c == EOF) break;
        bytes += static_cast<char>(c);
        ++chars;
        if (c == '\n') break;
        // The two bytes of a character stay together; the encoding test
        // lets no lead byte stand alone but at the very end.
        if (IsDBCSLeadByteEx(CP_THREAD_ACP, static_cast<BYTE>(c))) {
            int trail = getc(stream);
            if (trail != EOF) bytes += static_cast<char>(trail);
        }
    }
    if (bytes.empty()) return false;
    line->clear();
    int length = static_cast<int>(bytes.size());
    int wide = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), length, nullptr, 0);
    if (wide > 0) {
        line->resize(static_cast<size_t>(wide));
        MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), length, &(*line)[0], wide);
    }
    // As the wide line would be appended: up to its first zero.
    line->resize(wcsnlen(line->c_str(), line->size()));
    return true;
}

std::wstring ReadLines(FILE* stream, int encoding) {
    std::wstring text;
    wchar_t line[kTextLineChars];
    std::wstring ansiLine;
    for (int i = 0; i < kTextLines; ++i) {
        if (encoding == kTextAnsi) {
            if (!ReadAnsiLine(stream, &ansiLine)) break;
            text += ansiLine;
            continue;
        }
        if (!fgetws(line, kTextLineChars, stream)) break;
        if (encoding == kTextUtf16Be) SwapUnits(line);
        text += line;
    }
    return text;
}

// The two factories, made on first use and kept for the process: making a
// Direct2D factory costs Wine about half a second (it brings up a Direct3D
// device), which every text tile would pay, and a DirectWrite factory made
// and released per tile frees what another thread's layout still uses.
// Both are only touched with the text drawing lock held.
ID2D1Factory* sharedD2D = nullptr;
IDWriteFactory* sharedDWrite = nullptr;

bool TakeSharedFactories() {
    if (!sharedD2D &&
        FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, __uuidof(ID2D1Factory), nullptr,
                                 reinterpret_cast<void**>(&sharedD2D)))) {
        sharedD2D = nullptr;
    }
    if (!sharedDWrite && FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                                    reinterpret_cast<IUnknown**>(&sharedDWrite)))) {
        sharedDWrite = nullptr;
    }
    return sharedD2D && sharedDWrite;
}

// How much of the text reaches the bitmap: every line that starts above its
// bottom edge, and one more. Wine's Direct2D draws each glyph of the text,
// those below the bitmap too, at a cost that grows with the text; the lines
// kept are laid out exactly as in the whole text, so the picture stays the same.
UINT32 ShownTextLength(IDWriteFactory* dwrite, IDWriteTextFormat* format, const std::wstring& text, float width,
                       float height, float bottom) {
    UINT32 whole = static_cast<UINT32>(text.size());
    IDWriteTextLayout* layout = nullptr;
    if (FAILED(dwrite->CreateTextLayout(text.c_str(), whole, format, width, height, &layout))) return whole;
    UINT32 count = 0;
    layout->GetLineMetrics(nullptr, 0, &count);
    std::vector<DWRITE_LINE_METRICS> lines(count);
    UINT32 shown = whole;
    if (count > 0 && SUCCEEDED(layout->GetLineMetrics(lines.data(), count, &count))) {
        shown = 0;
        float top = 0;
        for (UINT32 i = 0; i < count && top <= bottom; ++i) {
            shown += lines[i].length;
            top += lines[i].height;
        }
        if (shown > whole) shown = whole;
    }
    SafeRelease(layout);
    return shown;
}

bool HasFamily(IDWriteFontCollection* fonts, const wchar_t* name) {
    UINT32 index = 0;
    BOOL exists = FALSE;
    return name[0] && SUCCEEDED(fonts->FindFamilyName(name, &index, &exists)) && exists;
}

}  // namespace

std::wstring ChooseTextFace(IDWriteFactory* dwrite, const wchar_t* fontName) {
    std::wstring face = fontName ? fontName : L"";
    IDWriteFontCollection* fonts = nullptr;
    if (FAILED(dwrite->GetSystemFontCollection(&fonts, FALSE)) || !fonts) return face;
    // Faces for Japanese text on Windows, then on Wine with Debian's fonts.
    static const wchar_t* const kFaces[] = {L"Meiryo", L"Yu Gothic", L"MS Gothic", L"IPAGothic",
                                            L"Noto Sans CJK JP", L"Droid Sans Fallback"};
    if (!HasFamily(fonts, face.c_str())) {
        face.clear();
        for (const wchar_t* candidate : kFaces) {
            if (HasFamily(fonts, candidate)) {
                face = candidate;
                break;
            }
        }
    }
    IDWriteFontFamily* family = nullptr;
    IDWriteLocalizedStrings* names = nullptr;
    if (face.empty() && fonts->GetFontFamilyCount() > 0 && SUCCEEDED(fonts->GetFontFamily(0, &family)) &&
        SUCCEEDED(family->GetFamilyNames(&names))) {
        UINT32 length = 0;
        if (SUCCEEDED(names->GetStringLength(0, &length))) {
            face.resize(length + 1);
            if (FAILED(names->GetString(0, &face[0], length + 1))) length = 0;
            face.resize(length);
        }
    }
    SafeRelease(names);
    SafeRelease(family);
    SafeRelease(fonts);
    return face;
}

void DrawTextWithDirectWrite(HDC dc, FILE* stream, int encoding, int width, int height, const wchar_t* fontName) {
    std::wstring text = ReadLines(stream, encoding);

    TLockHold hold(&textDrawingLock);
    ID2D1DCRenderTarget* target = nullptr;
    ID2D1SolidColorBrush* brush = nullptr;
    IDWriteTextFormat* format = nullptr;
    HRESULT hr = TakeSharedFactories() ? S_OK : E_FAIL;
    if (SUCCEEDED(hr)) {
        D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
            D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE), 0,
            0, D2D1_RENDER_TARGET_USAGE_NONE, D2D1_FEATURE_LEVEL_DEFAULT);
        hr = sharedD2D->CreateDCRenderTarget(&properties, &target);
    }
    if (SUCCEEDED(hr)) {
        RECT area = {0, 0, width, height};
        hr = target->BindDC(dc, &area);
    }
    if (SUCCEEDED(hr)) hr = target->CreateSolidColorBrush(D2D1::ColorF(0.0f, 0.0f, 0.0f, 1.0f), &brush);
    if (SUCCEEDED(hr)) {
        hr = sharedDWrite->CreateTextFormat(ChooseTextFace(sharedDWrite, fontName).c_str(), nullptr,
                                            DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL,
                                            DWRITE_FONT_STRETCH_NORMAL, 11.0f, L"", &format);
    }
    if (SUCCEEDED(hr)) {
        target->BeginDraw();
        // The DIB is white already, but Wine's DC render target starts from
        // a black surface of its own instead of the DC's pixels.
        target->Clear(D2D1::ColorF(1.0f, 1.0f, 1.0f, 1.0f));
        // The bitmap's bottom in device-independent pixels, never above the
        // layout box's.
        float dpiX = 96, dpiY = 96;
        target->GetDpi(&dpiX, &dpiY);
        float bottom = static_cast<float>(height) * 96.0f / (dpiY > 0 ? dpiY : 96.0f);
        if (bottom < height) bottom = static_cast<float>(height);
        UINT32 shown = ShownTextLength(sharedDWrite, format, text, static_cast<float>(width),
                                       static_cast<float>(height), bottom);
        target->DrawText(text.c_str(), shown, format,
                         D2D1::RectF(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height)), brush,
                         D2D1_DRAW_TEXT_OPTIONS_ENABLE_COLOR_FONT, DWRITE_MEASURING_MODE_NATURAL);
        target->EndDraw();
    }
    SafeRelease(format);
    SafeRelease(brush);
    SafeRelease(target);
}

HBITMAP RenderTextFile(const wchar_t* path, int width, int height, const wchar_t* fontName) {
    // Rows of 24-bit pixels padded to four bytes; sizes whose image would not
    // fit a 32-bit count give none.
    if (width <= 0 || height <= 0) return nullptr;
    uint64_t imageBytes = ((3 * static_cast<uint64_t>(width) + 3) & ~uint64_t{3}) * static_cast<uint64_t>(height);
    if (imageBytes > 0x7FFFFFFF) return nullptr;
    FILE* stream = nullptr;
    if (_wfopen_s(&stream, path, L"r") != 0 || !stream) return nullptr;
    int encoding = DetectStreamEncoding(stream);
    rewind(stream);

    // ANSI text is read from the first opening.
    if (const wchar_t* mode = StreamMode(encoding)) {
        fclose(stream);
        stream = nullptr;
        if (_wfopen_s(&stream, path, mode) != 0 || !stream) return nullptr;
    }

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFOHEADER header = DibHeader(width, height, 24);
    header.biSizeImage = static_cast<DWORD>(imageBytes);
    BITMAPINFO info = {};
    info.bmiHeader = header;
    void* bits = nullptr;
    HBITMAP bitmap = memory ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (bitmap && !bits) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT area = {0, 0, width, height};
        FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(memory, TRANSPARENT);
        DrawTextWithDirectWrite(memory, stream, encoding, width, height, fontName);
        SelectObject(memory, old);
    }
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    fclose(stream);
    return bitmap;
}
