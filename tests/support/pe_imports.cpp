#include "support/pe_imports.h"

#include <cstdint>
#include <cstring>

namespace {

bool Read32(const std::vector<unsigned char>& b, size_t at, uint32_t* out) {
    if (at > b.size() || b.size() - at < 4) return false;
    std::memcpy(out, &b[at], 4);
    return true;
}

bool Read16(const std::vector<unsigned char>& b, size_t at, uint16_t* out) {
    if (at > b.size() || b.size() - at < 2) return false;
    std::memcpy(out, &b[at], 2);
    return true;
}

bool Read64(const std::vector<unsigned char>& b, size_t at, uint64_t* out) {
    if (at > b.size() || b.size() - at < 8) return false;
    std::memcpy(out, &b[at], 8);
    return true;
}

std::string ReadText(const std::vector<unsigned char>& b, size_t at) {
    std::string text;
    while (at < b.size() && b[at] && text.size() < 256) text += static_cast<char>(b[at++]);
    return text;
}

}  // namespace

std::vector<PeImport> ReadPeImportTable(const std::vector<unsigned char>& b) {
    std::vector<PeImport> table;
    uint32_t peOffset = 0;
    if (!Read32(b, 0x3C, &peOffset) || peOffset + 24 > b.size() || std::memcmp(&b[peOffset], "PE\0\0", 4) != 0)
        return table;
    uint16_t sections = 0, optionalSize = 0, magic = 0;
    Read16(b, peOffset + 6, &sections);
    Read16(b, peOffset + 20, &optionalSize);
    size_t optional = peOffset + 24;
    if (!Read16(b, optional, &magic)) return table;
    size_t directories = optional + (magic == 0x20B ? 112 : 96);
    uint32_t importRva = 0;
    if (!Read32(b, directories + 8, &importRva) || importRva == 0) return table;
    size_t sectionTable = optional + optionalSize;

    auto rvaToOffset = [&](uint32_t rva, size_t* offset) {
        for (uint16_t i = 0; i < sections; ++i) {
            size_t s = sectionTable + 40u * i;
            uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawPointer = 0;
            if (!Read32(b, s + 8, &virtualSize) || !Read32(b, s + 12, &virtualAddress) ||
                !Read32(b, s + 16, &rawSize) || !Read32(b, s + 20, &rawPointer))
                return false;
            uint32_t extent = virtualSize > rawSize ? virtualSize : rawSize;
            if (rva >= virtualAddress && rva < virtualAddress + extent) {
                *offset = rawPointer + (rva - virtualAddress);
                return *offset < b.size();
            }
        }
        return false;
    };

    bool wide = magic == 0x20B;
    size_t descriptor = 0;
    if (!rvaToOffset(importRva, &descriptor)) return table;
    for (int i = 0; i < 4096; ++i, descriptor += 20) {
        uint32_t lookupRva = 0, nameRva = 0, thunk = 0;
        if (!Read32(b, descriptor, &lookupRva) || !Read32(b, descriptor + 12, &nameRva) ||
            !Read32(b, descriptor + 16, &thunk))
            break;
        if (nameRva == 0 && thunk == 0) break;
        size_t nameOffset = 0;
        if (!rvaToOffset(nameRva, &nameOffset)) break;
        PeImport entry;
        entry.dll = ReadText(b, nameOffset);
        // The lookup table holds one entry per function: an ordinal when its
        // top bit is set, else the address of a hint and a name.
        size_t lookup = 0;
        if (rvaToOffset(lookupRva ? lookupRva : thunk, &lookup)) {
            for (int f = 0; f < 65536; ++f, lookup += wide ? 8 : 4) {
                uint64_t value = 0;
                uint32_t narrow = 0;
                if (wide ? !Read64(b, lookup, &value) : !Read32(b, lookup, &narrow)) break;
                if (!wide) value = narrow;
                if (value == 0) break;
                uint64_t ordinalFlag = wide ? (1ull << 63) : (1ull << 31);
                size_t hint = 0;
                if (value & ordinalFlag) {
                    entry.ordinals.push_back(static_cast<unsigned>(value & 0xFFFF));
                } else if (rvaToOffset(static_cast<uint32_t>(value), &hint)) {
                    entry.functions.push_back(ReadText(b, hint + 2));
                }
            }
        }
        table.push_back(entry);
    }
    return table;
}

std::vector<std::string> ReadPeImports(const std::vector<unsigned char>& b) {
    std::vector<std::string> names;
    for (const PeImport& entry : ReadPeImportTable(b)) names.push_back(entry.dll);
    return names;
}
