// The tests' own writer of font files: the tables of an sfnt, new sfnt
// files, collections and WOFF 1.0 files made of them, naming tables, and the
// fonts the build copies from Debian's packages.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Tables by tag, in the order they are written.
using FontTables = std::vector<std::pair<std::string, Bytes>>;

// The tables of the sfnt at offset (a lone font: 0); empty when it does not parse.
FontTables ReadFontTables(const Bytes& font, uint32_t offset = 0);
// The data of one table, empty when there is none.
Bytes FontTable(const FontTables& tables, const std::string& tag);
void SetFontTable(FontTables* tables, const std::string& tag, const Bytes& data);

// An sfnt of the tables in the order given, each padded to 4 bytes.
Bytes WriteSfnt(const FontTables& tables, uint32_t version = 0x00010000);
// A collection of the members; tables with equal bytes are stored once and
// shared.
Bytes WriteCollection(const std::vector<FontTables>& members);
// A WOFF 1.0 file of the tables in the order given; compressed tables where
// that makes them smaller, when compress is true.
Bytes WriteWoff(const FontTables& tables, bool compress, uint32_t flavor = 0x00010000);

struct NameRecord {
    uint16_t platform;
    uint16_t encoding;
    uint16_t language;
    uint16_t nameId;
    Bytes text;
};
Bytes Utf16BigEndian(const std::wstring& text);
Bytes MakeNameTable(const std::vector<NameRecord>& records);
// The font with a naming table that gives it the family and full name
// `name` alone (Windows, English).
Bytes RenamedFont(const Bytes& font, const std::wstring& name);

// Big-endian reads of font data in tests.
uint16_t FontRead16(const Bytes& data, size_t at);
uint32_t FontRead32(const Bytes& data, size_t at);

// Whether GDI gives a font of that face when asked for it by name.
bool FaceIsInstalled(const wchar_t* face);

// A font made by the build's font fixture script.
std::wstring FontFixture(const std::wstring& name);
