#include "support/font_files.h"

#include <windows.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "support/test_files.h"

namespace {

void Put16(Bytes* out, uint16_t value) {
    out->push_back(static_cast<unsigned char>(value >> 8));
    out->push_back(static_cast<unsigned char>(value));
}

void Put32(Bytes* out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<unsigned char>(value >> shift));
}

void Set32(Bytes* out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

void PutTag(Bytes* out, const std::string& tag) {
    for (size_t i = 0; i < 4; ++i) out->push_back(i < tag.size() ? tag[i] : ' ');
}

void PadTo4(Bytes* out) {
    while (out->size() % 4) out->push_back(0);
}

uint32_t Checksum(const Bytes& data) {
    Bytes padded = data;
    PadTo4(&padded);
    uint32_t sum = 0;
    for (size_t i = 0; i < padded.size(); i += 4) sum += FontRead32(padded, i);
    return sum;
}

void PutOffsetTable(Bytes* out, uint32_t version, uint16_t count) {
    uint16_t selector = 0;
    while (count >> (selector + 1)) ++selector;
    uint16_t range = count ? static_cast<uint16_t>(16u << selector) : 0;
    Put32(out, version);
    Put16(out, count);
    Put16(out, range);
    Put16(out, selector);
    Put16(out, static_cast<uint16_t>(16 * count - range));
}

}  // namespace

uint16_t FontRead16(const Bytes& data, size_t at) {
    return static_cast<uint16_t>((data[at] << 8) | data[at + 1]);
}

uint32_t FontRead32(const Bytes& data, size_t at) {
    return (uint32_t(data[at]) << 24) | (uint32_t(data[at + 1]) << 16) | (uint32_t(data[at + 2]) << 8) | data[at + 3];
}

FontTables ReadFontTables(const Bytes& font, uint32_t offset) {
    FontTables tables;
    if (font.size() < offset + 12u) return tables;
    uint16_t count = FontRead16(font, offset + 4);
    for (uint16_t i = 0; i < count; ++i) {
        size_t record = offset + 12 + 16 * i;
        if (record + 16 > font.size()) return FontTables();
        uint32_t at = FontRead32(font, record + 8);
        uint32_t length = FontRead32(font, record + 12);
        if (at > font.size() || length > font.size() - at) return FontTables();
        tables.emplace_back(std::string(font.begin() + record, font.begin() + record + 4),
                            Bytes(font.begin() + at, font.begin() + at + length));
    }
    return tables;
}

Bytes FontTable(const FontTables& tables, const std::string& tag) {
    for (const auto& table : tables) {
        if (table.first == tag) return table.second;
    }
    return Bytes();
}

void SetFontTable(FontTables* tables, const std::string& tag, const Bytes& data) {
    for (auto& table : *tables) {
        if (table.first == tag) {
            table.second = data;
            return;
        }
    }
    tables->emplace_back(tag, data);
}

Bytes WriteSfnt(const FontTables& tables, uint32_t version) {
    Bytes out;
    uint16_t count = static_cast<uint16_t>(tables.size());
    PutOffsetTable(&out, version, count);
    uint32_t at = 12 + 16 * count;
    for (const auto& table : tables) {
        PutTag(&out, table.first);
        Put32(&out, Checksum(table.second));
        Put32(&out, at);
        Put32(&out, static_cast<uint32_t>(table.second.size()));
        at += static_cast<uint32_t>((table.second.size() + 3) & ~size_t(3));
    }
    for (const auto& table : tables) {
        out.insert(out.end(), table.second.begin(), table.second.end());
        PadTo4(&out);
    }
    return out;
}

Bytes WriteCollection(const std::vector<FontTables>& members) {
    Bytes out = {'t', 't', 'c', 'f'};
    Put32(&out, 0x00010000);
    Put32(&out, static_cast<uint32_t>(members.size()));
    size_t offsets = out.size();
    out.resize(out.size() + 4 * members.size());
    std::vector<size_t> recordStarts;
    for (size_t m = 0; m < members.size(); ++m) {
        Set32(&out, offsets + 4 * m, static_cast<uint32_t>(out.size()));
        PutOffsetTable(&out, 0x00010000, static_cast<uint16_t>(members[m].size()));
        recordStarts.push_back(out.size());
        for (const auto& table : members[m]) {
            PutTag(&out, table.first);
            Put32(&out, Checksum(table.second));
            Put32(&out, 0);  // offset, set below
            Put32(&out, static_cast<uint32_t>(table.second.size()));
        }
    }
    std::map<Bytes, uint32_t> stored;
    for (size_t m = 0; m < members.size(); ++m) {
        for (size_t t = 0; t < members[m].size(); ++t) {
            const Bytes& data = members[m][t].second;
            auto found = stored.find(data);
            uint32_t at = 0;
            if (found != stored.end()) {
                at = found->second;
            } else {
                at = static_cast<uint32_t>(out.size());
                out.insert(out.end(), data.begin(), data.end());
                PadTo4(&out);
                stored[data] = at;
            }
            Set32(&out, recordStarts[m] + 16 * t + 8, at);
        }
    }
    return out;
}

Bytes WriteWoff(const FontTables& tables, bool compress, uint32_t flavor) {
    uint16_t count = static_cast<uint16_t>(tables.size());
    Bytes data;
    Bytes directory;
    uint32_t sfntSize = 12 + 16 * count;
    size_t dataStart = 44 + 20 * count;
    for (const auto& table : tables) {
        Bytes stored = table.second;
        if (compress) {
            uLongf length = compressBound(static_cast<uLong>(table.second.size()));
            Bytes packed(length);
            if (compress2(packed.data(), &length, table.second.data(), static_cast<uLong>(table.second.size()), 9) ==
                    Z_OK &&
                length < table.second.size()) {
                packed.resize(length);
                stored = packed;
            }
        }
        PutTag(&directory, table.first);
        Put32(&directory, static_cast<uint32_t>(dataStart + data.size()));
        Put32(&directory, static_cast<uint32_t>(stored.size()));
        Put32(&directory, static_cast<uint32_t>(table.second.size()));
        Put32(&directory, Checksum(table.second));
        data.insert(data.end(), stored.begin(), stored.end());
        PadTo4(&data);
        sfntSize += static_cast<uint32_t>((table.second.size() + 3) & ~size_t(3));
    }
    Bytes out = {'w', 'O', 'F', 'F'};
    Put32(&out, flavor);
    Put32(&out, static_cast<uint32_t>(dataStart + data.size()));
    Put16(&out, count);
    Put16(&out, 0);
    Put32(&out, sfntSize);
    out.resize(44, 0);  // versions, metadata and private data: none
    out.insert(out.end(), directory.begin(), directory.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Utf16BigEndian(const std::wstring& text) {
    Bytes out;
    for (wchar_t c : text) Put16(&out, static_cast<uint16_t>(c));
    return out;
}

Bytes MakeNameTable(const std::vector<NameRecord>& records) {
    Bytes out;
    Put16(&out, 0);
    Put16(&out, static_cast<uint16_t>(records.size()));
    Put16(&out, static_cast<uint16_t>(6 + 12 * records.size()));
    Bytes strings;
    for (const NameRecord& record : records) {
        Put16(&out, record.platform);
        Put16(&out, record.encoding);
        Put16(&out, record.language);
        Put16(&out, record.nameId);
        Put16(&out, static_cast<uint16_t>(record.text.size()));
        Put16(&out, static_cast<uint16_t>(strings.size()));
        strings.insert(strings.end(), record.text.begin(), record.text.end());
    }
    out.insert(out.end(), strings.begin(), strings.end());
    return out;
}

Bytes RenamedFont(const Bytes& font, const std::wstring& name) {
    FontTables tables = ReadFontTables(font);
    Bytes text = Utf16BigEndian(name);
    std::vector<NameRecord> records;
    for (uint16_t id : {1, 2, 3, 4, 6}) {
        records.push_back({3, 1, 0x0409, id, id == 2 ? Utf16BigEndian(L"Regular") : text});
    }
    SetFontTable(&tables, "name", MakeNameTable(records));
    return WriteSfnt(tables);
}

bool FaceIsInstalled(const wchar_t* face) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t given[LF_FACESIZE] = L"";
    GetTextFaceW(dc, LF_FACESIZE, given);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return lstrcmpiW(given, face) == 0;
}

std::wstring FontFixture(const std::wstring& name) {
    return JoinPath(BuildFolder(), L"tests\\fixtures\\fonts\\" + name);
}
