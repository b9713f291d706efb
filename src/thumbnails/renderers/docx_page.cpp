#include "thumbnails/renderers/docx_page.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "thumbnails/image_bitmap.h"
#include "thumbnails/renderers/ansi_text.h"
#include "thumbnails/renderers/renderer_locks.h"

namespace {

// DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP | DT_NOPREFIX | DT_EDITCONTROL
const UINT kMeasureFormat = 0x2D50;
// The same without DT_CALCRECT.
const UINT kDrawFormat = 0x2950;
// Not sorting the central directory keeps lookups in directory order; the
// low bits carry the compression level, which reading ignores.
const mz_uint32 kOpenFlags = MZ_ZIP_FLAG_DO_NOT_SORT_CENTRAL_DIRECTORY | 6;

// The part's bytes through the archive's allocator, or null.
void* ExtractEntry(TDocxZip* zip, size_t* size) {
    mz_zip_archive* archive = &zip->archive;
    if (zip->index < 0 || mz_zip_reader_is_file_a_directory(archive, zip->index)) return nullptr;
    mz_zip_archive_file_stat stat;
    if (!mz_zip_reader_file_stat(archive, zip->index, &stat)) return nullptr;
    // The declared size is checked before anything is allocated; the
    // extraction then refuses data that inflates to any other size.
    if (stat.m_uncomp_size == 0 || stat.m_uncomp_size > kMaxDocxPartBytes) return nullptr;
    *size = static_cast<size_t>(stat.m_uncomp_size);
    void* data = archive->m_pAlloc(archive->m_pAlloc_opaque, 1, *size);
    if (!data) return nullptr;
    if (!mz_zip_reader_extract_to_mem_no_alloc(archive, zip->index, data, *size, 0, nullptr, 0)) {
        archive->m_pFree(archive->m_pAlloc_opaque, data);
        return nullptr;
    }
    return data;
}

pugi::xml_node BodyOf(const pugi::xml_document& document) {
    return document.child("w:document").child("w:body");
}

// The height of the text wrapped at width.
LONG MeasuredBottom(HDC dc, const std::wstring& text, int width, int height) {
    RECT area = {0, 0, width, height};
    DrawTextW(dc, text.c_str(), -1, &area, kMeasureFormat);
    return area.bottom;
}

// The text collected for a page and what its measures found. Measuring
// everything after every run costs the square of the text, and text that
// adds no height (runs a face draws with no width) never ends it: runs are
// measured at doubling counts, the overflowing one is then found among the
// runs since the last measure that fitted, and no more text is collected
// than a page can ever show.
struct TPageText {
    HDC dc = nullptr;
    int width = 0;
    int height = 0;
    size_t maxBytes = 0;
    std::string text;           // UTF-8, "\r\n" after each paragraph
    std::vector<size_t> ends;   // the text's length after each run with text
    size_t fitting = 0;         // runs known to fit the page
    size_t nextMeasure = 1;     // the run count of the next measure
    std::wstring wide;          // the text of the last measure: what is drawn
};

bool Overflows(TPageText* page, size_t runs) {
    page->wide = Utf8ToWide(page->text.substr(0, page->ends[runs - 1]));
    return MeasuredBottom(page->dc, page->wide, page->width, page->height) > page->height;
}

// Whether a run among those not yet known to fit makes the text taller than
// the page; page->wide then ends with the first such run, else with the
// last run.
bool FindOverflow(TPageText* page) {
    size_t count = page->ends.size();
    if (count == page->fitting) return false;
    if (!Overflows(page, count)) {
        page->fitting = count;
        return false;
    }
    // The wrapped height only grows as text is added: the first run that
    // overflows lies in (fitting, count].
    size_t low = page->fitting + 1, high = count;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (Overflows(page, middle)) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    Overflows(page, low);
    return true;
}

// Adds a run's text; true when the page is full (the run, or one before it
// since the last measure, overflows it, or no more text could show).
bool AddRun(TPageText* page, const char* runText) {
    page->text += runText;
    bool capped = page->text.size() > page->maxBytes;
    if (capped) {
        // Cut at a character's start, never inside one.
        size_t cut = page->maxBytes;
        while (cut > 0 && (static_cast<unsigned char>(page->text[cut]) & 0xC0) == 0x80) --cut;
        page->text.resize(cut);
    }
    page->ends.push_back(page->text.size());
    if (!capped && page->ends.size() < page->nextMeasure) return false;
    page->nextMeasure = page->ends.size() * 2;
    return FindOverflow(page) || capped;
}

// More UTF-8 bytes than a page can show: each character it shows takes at
// least one pixel of a line's width, and takes at most four bytes.
size_t MaxPageBytes(HDC dc, int width, int height) {
    TEXTMETRICW metrics = {};
    LONG lineHeight = GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0 ? metrics.tmHeight : 1;
    size_t lines = static_cast<size_t>(height > 0 ? height : 0) / static_cast<size_t>(lineHeight) + 2;
    size_t perLine = static_cast<size_t>(width > 0 ? width : 0) + 2;
    return 4 * lines * perLine;
}

}  // namespace

void ConstructDocxDocument(TDocxDocument* doc, std::string path) {
    doc->path = std::move(path);
    doc->paragraph = TDocxParagraph();
    doc->document.reset();
    doc->isOpen = false;
}

void OpenDocxDocument(TDocxDocument* doc) {
    if (doc->path.empty()) {
        doc->isOpen = false;
        return;
    }
    TDocxZip* zip = static_cast<TDocxZip*>(calloc(1, sizeof(TDocxZip)));
    if (!zip) {
        doc->isOpen = false;
        return;
    }
    zip->level = 6;
    zip->index = -1;
    if (!mz_zip_reader_init_file(&zip->archive, doc->path.c_str(), kOpenFlags)) {
        free(zip);
        doc->isOpen = false;
        return;
    }
    doc->isOpen = true;

    size_t size = 0;
    void* data = nullptr;
    if (OpenZipEntry(zip, "word/document.xml") == 0) data = ExtractEntry(zip, &size);
    mz_free_func freeData = zip->archive.m_pFree;
    void* allocator = zip->archive.m_pAlloc_opaque;
    CloseZipEntry(zip);
    mz_zip_reader_end(&zip->archive);
    free(zip);

    doc->document.reset();
    if (data) {
        // The parser copies the data; a parse error leaves what was read
        // before it, and nothing else is looked at.
        doc->document.load_buffer(data, size, pugi::parse_default, pugi::encoding_auto);
        freeData(allocator, data);
    }
    SetParagraphParent(&doc->paragraph, BodyOf(doc->document));
}

void SetParagraphParent(TDocxParagraph* paragraph, pugi::xml_node node) {
    paragraph->parent = node;
    paragraph->current = node.child("w:p");
    paragraph->run.parent = paragraph->current;
    paragraph->run.current = paragraph->current.child("w:r");
}

void DestroyDocxDocument(TDocxDocument* doc) {
    doc->paragraph = TDocxParagraph();
    doc->document.reset();
    doc->path.clear();
    doc->path.shrink_to_fit();
    doc->isOpen = false;
}

int OpenZipEntry(TDocxZip* zip, const char* name) {
    size_t length = strlen(name);
    zip->name = static_cast<char*>(calloc(length + 1, 1));
    if (!zip->name) {
        zip->index = -1;
        return -1;
    }
    for (size_t i = 0; i < length; ++i) zip->name[i] = name[i] == '\\' ? '/' : name[i];
    zip->index = mz_zip_reader_locate_file(&zip->archive, zip->name, nullptr, 0);
    mz_zip_archive_file_stat stat;
    if (zip->index >= 0 && mz_zip_reader_file_stat(&zip->archive, zip->index, &stat)) return 0;
    free(zip->name);
    zip->name = nullptr;
    return -1;
}

int CloseZipEntry(TDocxZip* zip) {
    free(zip->name);
    zip->name = nullptr;
    return 0;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = static_cast<int>(text.size());
    std::wstring buffer(static_cast<size_t>(n) + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), n, &buffer[0], n + 1);
    return std::wstring(buffer.c_str());
}

HBITMAP RenderDocx(HWND window, const wchar_t* path, int width, int height, const wchar_t* faceName) {
    if (!path) return nullptr;
    TDocxDocument doc;
    ConstructDocxDocument(&doc, ThreadAnsiText(path));
    OpenDocxDocument(&doc);
    if (!doc.isOpen) {
        DestroyDocxDocument(&doc);
        return nullptr;
    }

    // The face is asked for by name: a font file of that name that the font
    // renderer has added meanwhile would stand in for it.
    TLockHold hold(&privateFontLock);
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HFONT font = CreateFontW(-MulDiv(11, GetDeviceCaps(memoryDc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, faceName ? faceName : L"");
    HGDIOBJ oldFont = SelectObject(memoryDc, font);

    SetParagraphParent(&doc.paragraph, BodyOf(doc.document));
    TPageText page;
    page.dc = memoryDc;
    page.width = width;
    page.height = height;
    page.maxBytes = MaxPageBytes(memoryDc, width, height);
    bool hasText = false;
    bool full = false;
    TDocxParagraph& paragraph = doc.paragraph;
    while (paragraph.current && !full) {
        paragraph.run.parent = paragraph.current;
        paragraph.run.current = paragraph.current.child("w:r");
        while (paragraph.run.current) {
            const char* runText = paragraph.run.current.child("w:t").text().get();
            // An empty run changes nothing that a measure would see, so only
            // runs with text are measured.
            if (*runText) {
                hasText = true;
                if (AddRun(&page, runText)) {
                    full = true;
                    break;
                }
            }
            paragraph.run.current = paragraph.run.current.next_sibling();
        }
        if (full) break;
        // Lines beyond what a page can show change nothing drawn.
        if (page.text.size() <= page.maxBytes) page.text += "\r\n";
        paragraph.current = paragraph.current.next_sibling();
    }
    if (!full) FindOverflow(&page);
    const std::wstring& wide = page.wide;

    HBITMAP bitmap = nullptr;
    if (hasText) {
        BITMAPINFOHEADER header = DibHeader(width, -height, 24);
        header.biSizeImage = static_cast<DWORD>(height) * ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
        void* bits = nullptr;
        bitmap = CreateDib(header, &bits);
        if (bitmap) {
            HGDIOBJ oldBitmap = SelectObject(memoryDc, bitmap);
            RECT area = {0, 0, width, height};
            FillRect(memoryDc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            SetTextColor(memoryDc, RGB(0, 0, 0));
            SetBkMode(memoryDc, TRANSPARENT);
            DrawTextW(memoryDc, wide.c_str(), -1, &area, kDrawFormat);
            SelectObject(memoryDc, oldBitmap);
        }
    }
    SelectObject(memoryDc, oldFont);
    DeleteObject(font);
    ReleaseDC(window, windowDc);
    DeleteDC(memoryDc);
    DestroyDocxDocument(&doc);
    return bitmap;
}
