// What a PE file imports at load time, read from its bytes.
#pragma once

#include <string>
#include <vector>

// One entry of the import table: a DLL and what is taken from it.
struct PeImport {
    std::string dll;
    std::vector<std::string> functions;  // imported by name
    std::vector<unsigned> ordinals;      // imported by ordinal
};

// Empty when the bytes are not a PE image or the table is damaged.
std::vector<PeImport> ReadPeImportTable(const std::vector<unsigned char>& image);
// The DLL names alone.
std::vector<std::string> ReadPeImports(const std::vector<unsigned char>& image);
