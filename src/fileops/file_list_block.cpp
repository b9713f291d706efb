#include "fileops/file_list_block.h"

#include <cstdint>

namespace {

void PutUint32(std::vector<unsigned char>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t GetUint32(const unsigned char* data, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | data[offset + i];
    return value;
}

}  // namespace

std::vector<unsigned char> MakeFileListBlock(const std::vector<std::wstring>& paths) {
    size_t characters = 1;  // the zero that ends the list
    for (const std::wstring& path : paths) characters += path.size() + 1;
    std::vector<unsigned char> bytes(kFileListHeaderBytes + 2 * characters, 0);
    PutUint32(bytes, 0, static_cast<uint32_t>(kFileListHeaderBytes));  // pFiles
    PutUint32(bytes, 16, 1);                                             // fWide
    size_t offset = kFileListHeaderBytes;
    for (const std::wstring& path : paths) {
        for (wchar_t c : path) {
            bytes[offset] = static_cast<unsigned char>(c & 0xFF);
            bytes[offset + 1] = static_cast<unsigned char>((c >> 8) & 0xFF);
            offset += 2;
        }
        offset += 2;  // the path's zero, already there
    }
    return bytes;
}

bool FileListEndsInBlock(const unsigned char* data, size_t size) {
    if (!data || size < kFileListHeaderBytes) return false;
    size_t offset = GetUint32(data, 0);
    if (offset < kFileListHeaderBytes || offset > size) return false;
    size_t unit = GetUint32(data, 16) ? 2 : 1;
    // The list ends at the first empty path: a zero right after a zero, or a
    // zero at its very start.
    bool atPathStart = true;
    for (; offset + unit <= size; offset += unit) {
        bool zero = data[offset] == 0 && (unit == 1 || data[offset + 1] == 0);
        if (zero && atPathStart) return true;
        atPathStart = zero;
    }
    return false;
}
