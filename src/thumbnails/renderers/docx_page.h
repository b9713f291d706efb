// The beginning of the text of a DOCX document drawn into a white bitmap:
// the runs of the body's paragraphs, read through a small document object
// over a zip entry layer (miniz) and the parsed main part (pugixml).
#pragma once

#include <windows.h>

#include <miniz.h>
#include <pugixml.hpp>

#include <string>

// Largest main part that is extracted; a package that declares more (a zip
// bomb, or no document worth a thumbnail) gives no text.
const size_t kMaxDocxPartBytes = 32 * 1024 * 1024;

struct TDocxRun {
    pugi::xml_node parent;   // the paragraph whose children are the runs
    pugi::xml_node current;  // null at the end
};

struct TDocxParagraph {
    pugi::xml_node parent;   // the w:body element
    pugi::xml_node current;  // null at the end
    TDocxRun run;
};

struct TDocxDocument {
    std::string path;  // in the thread's ANSI code page
    TDocxParagraph paragraph;
    pugi::xml_document document;
    bool isOpen = false;
};

// The zip handle of one opening of a package.
struct TDocxZip {
    mz_zip_archive archive;
    int level;
    int index;   // -1 when the entry was not found
    char* name;  // the entry name looked up, with slashes
};

// The object with the path taken over, null cursors, an empty document and
// isOpen false.
void ConstructDocxDocument(TDocxDocument* doc, std::string path);
// Opens the package, parses "word/document.xml" and points the paragraph
// cursor at the body; isOpen tells whether the zip archive could be opened.
void OpenDocxDocument(TDocxDocument* doc);
void SetParagraphParent(TDocxParagraph* paragraph, pugi::xml_node node);
void DestroyDocxDocument(TDocxDocument* doc);

// 0 when the entry (backslashes read as slashes, any case) is in the
// archive, -1 otherwise.
int OpenZipEntry(TDocxZip* zip, const char* name);
int CloseZipEntry(TDocxZip* zip);

std::wstring Utf8ToWide(const std::string& text);

// A white width x height bitmap (24-bit, top-down DIB section) with the text
// in black 11-point type of faceName (empty: GDI's choice), wrapped at the
// width; null when the file is no such package or its runs hold no text.
HBITMAP RenderDocx(HWND window, const wchar_t* path, int width, int height, const wchar_t* faceName);
