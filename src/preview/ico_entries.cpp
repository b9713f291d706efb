#include "preview/ico_entries.h"

#include <cstring>

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

constexpr size_t kDirectoryBytes = 6;
constexpr size_t kEntryBytes = 16;
constexpr size_t kOneEntryHeader = kDirectoryBytes + kEntryBytes;

}  // namespace

bool ExtractIcoEntry(const uint8_t* data, size_t size, int* index, std::vector<uint8_t>* image) {
    image->clear();
    if (!data || size < kDirectoryBytes) return false;
    size_t count = data[4] | (data[5] << 8);
    size_t slots = (size - kDirectoryBytes) / kEntryBytes;
    if (count > slots) count = slots;
    if (count == 0 || *index < 0) return false;
    if (static_cast<size_t>(*index) >= count) *index = 0;
    const uint8_t* entry = data + kDirectoryBytes + kEntryBytes * static_cast<size_t>(*index);
    uint32_t bytes = Le32(entry + 8), offset = Le32(entry + 12);
    if (bytes < 4 || offset > size || bytes > size - offset) return false;
    const uint8_t* body = data + offset;
    if (Le32(body) == 40) {
        image->resize(kOneEntryHeader + bytes);
        uint8_t* out = image->data();
        memcpy(out, data, 4);
        out[4] = 1;
        out[5] = 0;
        memcpy(out + kDirectoryBytes, entry, kEntryBytes);
        out[kDirectoryBytes + 12] = static_cast<uint8_t>(kOneEntryHeader);
        memset(out + kDirectoryBytes + 13, 0, 3);
        memcpy(out + kOneEntryHeader, body, bytes);
    } else {
        image->assign(body, body + bytes);
    }
    return true;
}
