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

}  // namespace

std::vector<std::string> ReadPeImports(const std::vector<unsigned char>& b) {
    std::vector<std::string> names;
    uint32_t peOffset = 0;
    if (!Read32(b, 0x3C, &peOffset) || peOffset + 24 > b.size() || std::memcmp(&b[peOffset], "PE\0\0", 4) != 0)
        return names;
    uint16_t sections = 0, optionalSize = 0, magic = 0;
    Read16(b, peOffset + 6, &sections);
    Read16(b, peOffset + 20, &optionalSize);
    size_t optional = peOffset + 24;
    if (!Read16(b, optional, &magic)) return names;
    size_t directories = optional + (magic == 0x20B ? 112 : 96);
    uint32_t importRva = 0;
    if (!Read32(b, directories + 8, &importRva) || importRva == 0) return names;
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

    size_t descriptor = 0;
    if (!rvaToOffset(importRva, &descriptor)) return names;
    for (int i = 0; i < 4096; ++i, descriptor += 20) {
        uint32_t nameRva = 0, thunk = 0;
        if (!Read32(b, descriptor + 12, &nameRva) || !Read32(b, descriptor + 16, &thunk)) break;
        if (nameRva == 0 && thunk == 0) break;
        size_t nameOffset = 0;
        if (!rvaToOffset(nameRva, &nameOffset)) break;
        std::string name;
        while (nameOffset < b.size() && b[nameOffset] && name.size() < 256) name += static_cast<char>(b[nameOffset++]);
        names.push_back(name);
    }
    return names;
}
