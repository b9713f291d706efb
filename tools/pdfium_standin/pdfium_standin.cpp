// Stand-in for pdfium.dll, for tests only. A document is any file that starts
// with "%PDF-" and declares no /Encrypt; its pages are the objects of type
// /Page, each sized by its /MediaBox (612 x 792 when it has none). Rendering
// fills the bitmap with a pattern the tests recognise: white with a blue
// border of 4 pixels and a red square of 8 x 8 at the top-left corner.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Document {
    std::vector<std::pair<double, double>> pages;
};

struct Page {
    double width;
    double height;
};

struct Bitmap {
    int width;
    int height;
    int stride;
    std::vector<unsigned char> pixels;
};

bool ReadFile(const char* path, std::string* out) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->append(buffer, n);
    std::fclose(f);
    return true;
}

// Reads the four numbers after "/MediaBox [" starting at pos, within limit.
bool ReadMediaBox(const std::string& text, size_t pos, size_t limit, double* w, double* h) {
    size_t box = text.find("/MediaBox", pos);
    if (box == std::string::npos || box >= limit) return false;
    size_t open = text.find('[', box);
    if (open == std::string::npos || open >= limit) return false;
    double v[4];
    const char* p = text.c_str() + open + 1;
    for (double& value : v) {
        char* end = nullptr;
        value = std::strtod(p, &end);
        if (end == p) return false;
        p = end;
    }
    *w = v[2] - v[0];
    *h = v[3] - v[1];
    return true;
}

}  // namespace

extern "C" {

__declspec(dllexport) void FPDF_InitLibrary(void) {}

__declspec(dllexport) void* FPDF_LoadDocument(const char* path, const char*) {
    std::string text;
    if (!path || !ReadFile(path, &text)) return nullptr;
    if (text.compare(0, 5, "%PDF-") != 0) return nullptr;
    if (text.find("/Encrypt") != std::string::npos) return nullptr;
    Document* document = new Document;
    size_t pos = 0;
    while ((pos = text.find("/Type", pos)) != std::string::npos) {
        size_t value = text.find_first_not_of(" \r\n\t", pos + 5);
        pos += 5;
        if (value == std::string::npos || text.compare(value, 5, "/Page") != 0) continue;
        char after = value + 5 < text.size() ? text[value + 5] : ' ';
        if (after == 's') continue;  // the /Pages tree node
        size_t objectStart = text.rfind("obj", value);
        size_t objectEnd = text.find("endobj", value);
        if (objectEnd == std::string::npos) objectEnd = text.size();
        double w = 612, h = 792;
        ReadMediaBox(text, objectStart == std::string::npos ? 0 : objectStart, objectEnd, &w, &h);
        document->pages.push_back({w, h});
    }
    return document;
}

__declspec(dllexport) int FPDF_GetPageCount(void* document) {
    return document ? static_cast<int>(static_cast<Document*>(document)->pages.size()) : 0;
}

__declspec(dllexport) void FPDF_CloseDocument(void* document) { delete static_cast<Document*>(document); }

__declspec(dllexport) void* FPDF_LoadPage(void* document, int index) {
    Document* d = static_cast<Document*>(document);
    if (!d || index < 0 || index >= static_cast<int>(d->pages.size())) return nullptr;
    return new Page{d->pages[index].first, d->pages[index].second};
}

__declspec(dllexport) double FPDF_GetPageWidth(void* page) { return page ? static_cast<Page*>(page)->width : 0; }

__declspec(dllexport) double FPDF_GetPageHeight(void* page) { return page ? static_cast<Page*>(page)->height : 0; }

__declspec(dllexport) void* FPDFBitmap_CreateEx(int width, int height, int format, void*, int stride) {
    if (format != 2 || width <= 0 || height <= 0 || width > 20000 || height > 20000) return nullptr;
    Bitmap* b = new Bitmap;
    b->width = width;
    b->height = height;
    b->stride = stride ? stride : (3 * width + 3) & ~3;
    b->pixels.assign(static_cast<size_t>(b->stride) * height, 0);
    return b;
}

__declspec(dllexport) int FPDFBitmap_FillRect(void* bitmap, int left, int top, int width, int height, unsigned long color) {
    Bitmap* b = static_cast<Bitmap*>(bitmap);
    if (!b) return 0;
    for (int y = top; y < top + height && y < b->height; ++y) {
        for (int x = left; x < left + width && x < b->width; ++x) {
            unsigned char* p = &b->pixels[static_cast<size_t>(y) * b->stride + 3 * x];
            p[0] = color & 0xFF;
            p[1] = (color >> 8) & 0xFF;
            p[2] = (color >> 16) & 0xFF;
        }
    }
    return 1;
}

__declspec(dllexport) void FPDF_RenderPageBitmap(void* bitmap, void* page, int, int, int, int, int, int) {
    Bitmap* b = static_cast<Bitmap*>(bitmap);
    if (!b || !page) return;
    for (int y = 0; y < b->height; ++y) {
        for (int x = 0; x < b->width; ++x) {
            unsigned char* p = &b->pixels[static_cast<size_t>(y) * b->stride + 3 * x];
            bool border = x < 4 || y < 4 || x >= b->width - 4 || y >= b->height - 4;
            bool square = x >= 4 && x < 12 && y >= 4 && y < 12;
            if (square) {
                p[0] = 0; p[1] = 0; p[2] = 255;
            } else if (border) {
                p[0] = 255; p[1] = 0; p[2] = 0;
            }
        }
    }
}

__declspec(dllexport) void* FPDFBitmap_GetBuffer(void* bitmap) {
    return bitmap ? static_cast<Bitmap*>(bitmap)->pixels.data() : nullptr;
}

__declspec(dllexport) void FPDFBitmap_Destroy(void* bitmap) { delete static_cast<Bitmap*>(bitmap); }

__declspec(dllexport) void FPDF_ClosePage(void* page) { delete static_cast<Page*>(page); }

}
