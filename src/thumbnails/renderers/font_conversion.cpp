#include "thumbnails/renderers/font_conversion.h"

#include <zlib.h>

#include <woff2/decode.h>
#include <woff2/output.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <vector>

namespace {

const size_t kWoffHeaderSize = 44;
const size_t kWoffEntrySize = 20;
const size_t kSfntHeaderSize = 12;
const size_t kTableRecordSize = 16;
// Deflate never packs more than this many bytes into one, so a compressed
// table that claims a longer original is lying.
const uint64_t kMaxInflateRatio = 1032;
// More members than any real collection holds; checking every member of a
// lying count would take too long.
const uint32_t kMaxCollectionMembers = 1024;

uint16_t Read16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t Read32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void Write16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

void Write32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>(value >> 16);
    p[2] = static_cast<uint8_t>(value >> 8);
    p[3] = static_cast<uint8_t>(value);
}

uint64_t Padded(uint64_t length) {
    return (length + 3) & ~uint64_t(3);
}

// Whether [offset, offset + length) lies within size bytes.
bool RangeFits(size_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

TWoffTableEntry ReadWoffEntry(const uint8_t* p) {
    TWoffTableEntry entry;
    std::memcpy(entry.tag, p, 4);
    entry.offset = Read32(p + 4);
    entry.compLength = Read32(p + 8);
    entry.origLength = Read32(p + 12);
    entry.origChecksum = Read32(p + 16);
    return entry;
}

// The directory of a WOFF file and the announced size, or false when the
// entries do not lie within the file or the tables do not fit the size.
bool ReadWoffDirectory(const uint8_t* woff, size_t size, std::vector<TWoffTableEntry>* entries,
                       uint32_t* totalSfntSize) {
    if (!woff || size < kWoffHeaderSize) return false;
    uint16_t count = Read16(woff + 12);
    *totalSfntSize = Read32(woff + 16);
    if (*totalSfntSize == 0 || *totalSfntSize > kMaxSfntSize) return false;
    if (!RangeFits(size, kWoffHeaderSize, uint64_t(count) * kWoffEntrySize)) return false;
    uint64_t needed = kSfntHeaderSize + uint64_t(count) * kTableRecordSize;
    entries->clear();
    entries->reserve(count);
    for (uint16_t i = 0; i < count; ++i) {
        TWoffTableEntry entry = ReadWoffEntry(woff + kWoffHeaderSize + i * kWoffEntrySize);
        // A stored table longer than its original is not a WOFF table.
        if (entry.compLength > entry.origLength) return false;
        if (entry.origLength > kMaxInflateRatio * entry.compLength + 64) return false;
        if (!RangeFits(size, entry.offset, entry.compLength)) return false;
        needed += Padded(entry.origLength);
        entries->push_back(entry);
    }
    return needed <= *totalSfntSize;
}

// Inflates a zlib stream into exactly `length` bytes; false when it is
// broken, shorter or longer.
bool InflateTable(const uint8_t* source, uint32_t sourceLength, uint8_t* target, uint32_t length) {
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    if (inflateInit2(&stream, 15) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(source);
    stream.avail_in = sourceLength;
    stream.next_out = target;
    stream.avail_out = length;
    int result = inflate(&stream, Z_FINISH);
    bool whole = result == Z_STREAM_END && stream.total_out == length;
    inflateEnd(&stream);
    return whole;
}

// The offset of member index of a collection, or false when the data is no
// collection or the member's offset lies outside the offset list.
bool CollectionMemberOffset(const uint8_t* ttc, size_t size, uint32_t index, uint32_t* offset) {
    if (!ttc || size < 12 || std::memcmp(ttc, "ttcf", 4) != 0) return false;
    uint32_t count = Read32(ttc + 8);
    if (index >= count || !RangeFits(size, 12, uint64_t(count) * 4)) return false;
    *offset = Read32(ttc + 12 + index * 4);
    return true;
}

// The stand-alone size of the sfnt whose offset table lies at offset, or 0
// when its records or tables do not lie within the data.
uint64_t StandAloneSize(const uint8_t* data, size_t size, uint32_t offset) {
    if (!RangeFits(size, offset, kSfntHeaderSize)) return 0;
    uint16_t count = Read16(data + offset + 4);
    uint64_t records = uint64_t(offset) + kSfntHeaderSize;
    if (!RangeFits(size, records, uint64_t(count) * kTableRecordSize)) return 0;
    uint64_t total = kSfntHeaderSize + uint64_t(count) * kTableRecordSize;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* record = data + records + i * kTableRecordSize;
        uint32_t tableOffset = Read32(record + 8);
        uint32_t length = Read32(record + 12);
        if (!RangeFits(size, tableOffset, length)) return 0;
        total += Padded(length);
    }
    return total;
}

void ClampFaceIndex(uint32_t count, int* faceIndex) {
    if (*faceIndex < 0) *faceIndex = 0;
    if (static_cast<uint32_t>(*faceIndex) > count - 1) *faceIndex = static_cast<int>(std::min<uint32_t>(count - 1, INT32_MAX));
}

}  // namespace

bool CompareTableTags(const TWoffTableEntry& a, const TWoffTableEntry& b) {
    // Tags whose first byte, taken as signed, lies below 'Z' come first.
    bool firstClassA = static_cast<int8_t>(a.tag[0]) < 0x5A;
    bool firstClassB = static_cast<int8_t>(b.tag[0]) < 0x5A;
    if (firstClassA != firstClassB) return firstClassA;
    for (int i = 0; i < 4; ++i) {
        if (a.tag[i] != b.tag[i]) return a.tag[i] < b.tag[i];
        if (a.tag[i] == 0) return false;
    }
    return false;
}

int ConvertWoffToSfnt(const uint8_t* woff, size_t size, int sizeOnly, uint8_t* out, size_t outSize) {
    std::vector<TWoffTableEntry> entries;
    uint32_t totalSfntSize = 0;
    if (!ReadWoffDirectory(woff, size, &entries, &totalSfntSize)) return 0;
    if (sizeOnly == 1) return static_cast<int>(totalSfntSize);
    if (!out || outSize < totalSfntSize) return 0;

    // Zeroes stand in the padding and in any room the tables leave.
    std::memset(out, 0, totalSfntSize);
    uint16_t count = static_cast<uint16_t>(entries.size());
    uint16_t selector = 0;
    while (count >> (selector + 1)) ++selector;
    uint16_t searchRange = count ? static_cast<uint16_t>(16u << selector) : 0;
    Write32(out, Read32(woff + 4));
    Write16(out + 4, count);
    Write16(out + 6, searchRange);
    Write16(out + 8, selector);
    Write16(out + 10, static_cast<uint16_t>(16 * count - searchRange));

    std::sort(entries.begin(), entries.end(), CompareTableTags);
    uint64_t at = kSfntHeaderSize + uint64_t(count) * kTableRecordSize;
    for (size_t i = 0; i < entries.size(); ++i) {
        const TWoffTableEntry& entry = entries[i];
        uint8_t* record = out + kSfntHeaderSize + i * kTableRecordSize;
        std::memcpy(record, entry.tag, 4);
        Write32(record + 4, entry.origChecksum);
        Write32(record + 8, static_cast<uint32_t>(at));
        Write32(record + 12, entry.origLength);
        if (entry.compLength == entry.origLength) {
            std::memcpy(out + at, woff + entry.offset, entry.origLength);
        } else if (!InflateTable(woff + entry.offset, entry.compLength, out + at, entry.origLength)) {
            return 0;
        }
        at += Padded(entry.origLength);
    }
    return static_cast<int>(totalSfntSize);
}

size_t TtcMemberSize(const uint8_t* ttc, size_t size, int* faceIndex) {
    if (!ttc || size < 12 || std::memcmp(ttc, "ttcf", 4) != 0) return 0;
    uint32_t count = Read32(ttc + 8);
    if (count == 0) return 0;
    ClampFaceIndex(count, faceIndex);
    uint32_t offset = 0;
    if (!CollectionMemberOffset(ttc, size, static_cast<uint32_t>(*faceIndex), &offset)) return 0;
    uint64_t total = StandAloneSize(ttc, size, offset);
    return total <= kMaxSfntSize ? static_cast<size_t>(total) : 0;
}

int ExtractTtcMember(const uint8_t* ttc, size_t size, int* faceIndex, uint8_t* out, size_t outSize) {
    size_t total = TtcMemberSize(ttc, size, faceIndex);
    uint32_t offset = 0;
    if (total == 0 || !out || outSize < total) return 0;
    CollectionMemberOffset(ttc, size, static_cast<uint32_t>(*faceIndex), &offset);

    uint16_t count = Read16(ttc + offset + 4);
    size_t directory = kSfntHeaderSize + size_t(count) * kTableRecordSize;
    std::memcpy(out, ttc + offset, directory);
    size_t at = directory;
    for (uint16_t j = 0; j < count; ++j) {
        uint8_t* record = out + kSfntHeaderSize + j * kTableRecordSize;
        uint32_t tableOffset = Read32(record + 8);
        uint32_t length = Read32(record + 12);
        size_t padded = static_cast<size_t>(Padded(length));
        std::memcpy(out + at, ttc + tableOffset, length);
        std::memset(out + at + length, 0, padded - length);
        uint32_t checksum = 0;
        for (size_t k = 0; k < padded; k += 4) checksum += Read32(out + at + k);
        Write32(record + 4, checksum);
        Write32(record + 8, static_cast<uint32_t>(at));
        at += padded;
    }
    return static_cast<int>(at);
}

std::string ReadFileToString(const char* path) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file) return std::string();
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

size_t Woff2OutputSize(const uint8_t* woff2, size_t size) {
    if (!woff2 || size < 20) return 0;
    return std::min<size_t>(Read32(woff2 + 16), woff2::kDefaultMaxSize);
}

std::string DecodeWoff2(const std::string& woff2Data) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(woff2Data.data());
    try {
        std::string output(Woff2OutputSize(data, woff2Data.size()), '\0');
        woff2::WOFF2StringOut out(&output);
        out.SetMaxSize(woff2::kDefaultMaxSize);
        // A failed decoding leaves a partly written font: none is better.
        if (!woff2::ConvertWOFF2ToTTF(data, woff2Data.size(), &out)) return std::string();
        output.resize(out.Size());
        return output;
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

bool SfntTablesFit(const uint8_t* data, size_t size, uint32_t offset) {
    return data && StandAloneSize(data, size, offset) != 0;
}

bool FontTablesFit(const uint8_t* data, size_t size) {
    if (!data || size < 4) return false;
    if (std::memcmp(data, "ttcf", 4) != 0) return SfntTablesFit(data, size, 0);
    if (size < 12) return false;
    uint32_t count = Read32(data + 8);
    if (count == 0 || count > kMaxCollectionMembers) return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t offset = 0;
        if (!CollectionMemberOffset(data, size, i, &offset) || !SfntTablesFit(data, size, offset)) return false;
    }
    return true;
}
