// Plain sfnt data (TrueType or OpenType) made in memory from the other font
// files that the font sample renderer accepts: WOFF 1.0, WOFF2 and one member
// of a TrueType collection. Pure byte readers over a pointer and a length;
// every offset, count and length read from a file is held against the bytes
// given, and a font whose structures do not fit gives nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Largest sfnt made from a WOFF file or a collection member, the cap that the
// woff2 decoder puts on its own output.
const size_t kMaxSfntSize = 30 * 1024 * 1024;

// One 20-byte entry of a WOFF table directory.
struct TWoffTableEntry {
    uint8_t tag[4];
    uint32_t offset;
    uint32_t compLength;
    uint32_t origLength;
    uint32_t origChecksum;
};

// True when a goes before b in the output table directory.
bool CompareTableTags(const TWoffTableEntry& a, const TWoffTableEntry& b);

// With sizeOnly 1: the totalSfntSize the header announces, once the whole
// directory has been checked to fit the file and the announced size;
// otherwise writes the sfnt into out (outSize bytes, at least that size) and
// returns the same size. 0 when the file is refused or a table does not
// inflate to its declared length.
int ConvertWoffToSfnt(const uint8_t* woff, size_t size, int sizeOnly, uint8_t* out, size_t outSize);

// Clamps *faceIndex into the collection's members and writes it back, then
// returns the stand-alone size of that member; 0 when the data is no
// collection, has no member or the member does not fit the data.
size_t TtcMemberSize(const uint8_t* ttc, size_t size, int* faceIndex);

// Writes member *faceIndex (clamped and written back) as a stand-alone sfnt
// into out; its size, or 0 when it does not fit the data or outSize.
int ExtractTtcMember(const uint8_t* ttc, size_t size, int* faceIndex, uint8_t* out, size_t outSize);

// The whole file at a path in the thread's ANSI code page; empty when it
// cannot be opened.
std::string ReadFileToString(const char* path);

// The output size the decoder starts from: the totalSfntSize of a WOFF2
// header, at most the decoder's cap; 0 for fewer than 20 bytes.
size_t Woff2OutputSize(const uint8_t* woff2, size_t size);

// The font data of a WOFF2 file (an sfnt or a collection); empty when the
// decoder refuses it.
std::string DecodeWoff2(const std::string& woff2);

// Whether the table records of the sfnt at offset, and the tables they name,
// lie within the data.
bool SfntTablesFit(const uint8_t* data, size_t size, uint32_t offset);

// The same for every member when the data is a collection.
bool FontTablesFit(const uint8_t* data, size_t size);
