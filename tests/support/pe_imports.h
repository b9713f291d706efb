// Names of the DLLs that a PE file imports at load time, read from its bytes.
#pragma once

#include <string>
#include <vector>

// Empty when the bytes are not a PE image or the table is damaged.
std::vector<std::string> ReadPeImports(const std::vector<unsigned char>& image);
