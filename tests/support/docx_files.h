// ZIP packages and DOCX documents written by the tests: a main document
// part of paragraphs and runs, packed with miniz.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Entries by name and contents, stored in the order given.
using ZipEntries = std::vector<std::pair<std::string, std::string>>;

// The bytes of a ZIP archive of the entries (deflated).
std::vector<unsigned char> ZipBytes(const ZipEntries& entries);

// A w:p element with one run (w:r with one w:t) per text, given as UTF-8.
std::string DocxParagraph(const std::vector<std::string>& runs);
// A main document part whose body holds the given elements.
std::string DocxDocumentXml(const std::string& bodyElements);
// A DOCX package: content types and "word/document.xml" with the body.
std::vector<unsigned char> DocxBytes(const std::string& bodyElements);
