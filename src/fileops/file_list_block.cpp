#include "fileops/file_list_block.h"

#include <windows.h>

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

unsigned UnitAt(const unsigned char* data, size_t offset, size_t unit) {
    return unit == 2 ? data[offset] | (data[offset + 1] << 8) : data[offset];
}

std::wstring WideText(const std::string& units) {
    std::wstring text;
    for (size_t i = 0; i + 1 < units.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(units[i]) |
                                            (static_cast<unsigned char>(units[i + 1]) << 8)));
    }
    return text;
}

std::wstring AnsiText(const std::string& bytes) {
    int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
    return text;
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
    bool afterZero = false;
    for (; offset + unit <= size; offset += unit) {
        bool zero = UnitAt(data, offset, unit) == 0;
        if (zero && afterZero) return true;
        afterZero = zero;
    }
    return false;
}

std::vector<std::wstring> FileListPathsIn(const unsigned char* data, size_t size) {
    std::vector<std::wstring> paths;
    if (!FileListEndsInBlock(data, size)) return paths;
    size_t offset = GetUint32(data, 0);
    bool wide = GetUint32(data, 16) != 0;
    size_t unit = wide ? 2 : 1;
    std::string path;  // the path's units as they are: two bytes each when wide
    bool afterZero = false;
    // The end lies inside the bytes: FileListEndsInBlock found it.
    for (; offset + unit <= size; offset += unit) {
        if (UnitAt(data, offset, unit) != 0) {
            path.append(reinterpret_cast<const char*>(data + offset), unit);
            afterZero = false;
            continue;
        }
        if (afterZero) break;
        afterZero = true;
        if (!path.empty()) paths.push_back(wide ? WideText(path) : AnsiText(path));
        path.clear();
    }
    return paths;
}
