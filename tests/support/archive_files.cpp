#include "support/archive_files.h"

#include <zlib.h>

#include "support/test_files.h"

namespace {

void Put16(std::vector<unsigned char>* out, uint32_t value) {
    out->push_back(static_cast<unsigned char>(value));
    out->push_back(static_cast<unsigned char>(value >> 8));
}

void Put32(std::vector<unsigned char>* out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::vector<unsigned char> RawDeflate(const std::vector<unsigned char>& data) {
    z_stream stream = {};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<unsigned char> out(deflateBound(&stream, static_cast<uLong>(data.size())) + 16);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace

std::vector<unsigned char> MakeZipBytes(const std::vector<ZipEntry>& entries) {
    std::vector<unsigned char> out;
    std::vector<unsigned char> directory;
    for (const ZipEntry& entry : entries) {
        uint32_t crc = static_cast<uint32_t>(crc32(0, entry.data.data(), static_cast<uInt>(entry.data.size())));
        std::vector<unsigned char> stored = entry.deflate ? RawDeflate(entry.data) : entry.data;
        uint32_t size = entry.declaredSize >= 0 ? static_cast<uint32_t>(entry.declaredSize)
                                                : static_cast<uint32_t>(entry.data.size());
        uint32_t offset = static_cast<uint32_t>(out.size());
        uint16_t method = entry.deflate ? 8 : 0;
        uint16_t nameLength = static_cast<uint16_t>(entry.name.size());

        Put32(&out, 0x04034B50);
        Put16(&out, 20);
        Put16(&out, 0);
        Put16(&out, method);
        Put32(&out, 0x00210000);  // 1980-01-01 00:00
        Put32(&out, crc);
        Put32(&out, static_cast<uint32_t>(stored.size()));
        Put32(&out, size);
        Put16(&out, nameLength);
        Put16(&out, 0);
        out.insert(out.end(), entry.name.begin(), entry.name.end());
        out.insert(out.end(), stored.begin(), stored.end());

        Put32(&directory, 0x02014B50);
        Put16(&directory, 20);
        Put16(&directory, 20);
        Put16(&directory, 0);
        Put16(&directory, method);
        Put32(&directory, 0x00210000);
        Put32(&directory, crc);
        Put32(&directory, static_cast<uint32_t>(stored.size()));
        Put32(&directory, size);
        Put16(&directory, nameLength);
        Put16(&directory, 0);  // extra field
        Put16(&directory, 0);  // comment
        Put16(&directory, 0);  // disk
        Put16(&directory, 0);  // internal attributes
        Put32(&directory, 0);  // external attributes
        Put32(&directory, offset);
        directory.insert(directory.end(), entry.name.begin(), entry.name.end());
    }
    uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    Put32(&out, 0x06054B50);
    Put16(&out, 0);
    Put16(&out, 0);
    Put16(&out, static_cast<uint32_t>(entries.size()));
    Put16(&out, static_cast<uint32_t>(entries.size()));
    Put32(&out, static_cast<uint32_t>(directory.size()));
    Put32(&out, directoryOffset);
    Put16(&out, 0);
    return out;
}

namespace {

// RAR 5.0's variable-length number: seven bits a byte, lowest first, the
// high bit set on every byte but the last.
void PutVint(std::vector<unsigned char>* out, uint64_t value) {
    do {
        unsigned char byte = value & 0x7F;
        value >>= 7;
        out->push_back(value ? byte | 0x80 : byte);
    } while (value);
}

// One block: CRC32 of what follows it up to the data, the header's size,
// then the header (type, flags, fields) and the data.
void PutRarBlock(std::vector<unsigned char>* out, const std::vector<unsigned char>& header,
                 const std::vector<unsigned char>& data = {}) {
    std::vector<unsigned char> sized;
    PutVint(&sized, header.size());
    sized.insert(sized.end(), header.begin(), header.end());
    Put32(out, static_cast<uint32_t>(crc32(0, sized.data(), static_cast<uInt>(sized.size()))));
    out->insert(out->end(), sized.begin(), sized.end());
    out->insert(out->end(), data.begin(), data.end());
}

}  // namespace

std::vector<unsigned char> MakeRar5Bytes(const std::vector<ZipEntry>& entries) {
    std::vector<unsigned char> out = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
    // Main archive header: type 1, no header flags, no archive flags.
    PutRarBlock(&out, {1, 0, 0});
    for (const ZipEntry& entry : entries) {
        bool folder = !entry.name.empty() && entry.name.back() == '/';
        std::string name = folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
        const std::vector<unsigned char>& data = folder ? std::vector<unsigned char>() : entry.data;
        uint64_t unpacked = entry.declaredSize >= 0 ? static_cast<uint64_t>(entry.declaredSize) : data.size();
        std::vector<unsigned char> header;
        PutVint(&header, 2);            // file header
        PutVint(&header, 0x0002);       // a data area follows
        PutVint(&header, data.size());  // its size
        // File flags: a folder, or a file with its data CRC32.
        PutVint(&header, folder ? 0x0001 : 0x0004);
        PutVint(&header, unpacked);
        PutVint(&header, folder ? 0x10 : 0x20);  // Windows attributes
        if (!folder) Put32(&header, static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))));
        PutVint(&header, 0);  // compression: version 0, method 0 (stored)
        PutVint(&header, 0);  // host: Windows
        PutVint(&header, name.size());
        header.insert(header.end(), name.begin(), name.end());
        PutRarBlock(&out, header, data);
    }
    // End of archive: type 5, no flags.
    PutRarBlock(&out, {5, 0, 0});
    return out;
}

std::wstring SevenZipExe() {
    std::wstring exe = ZUV_SEVEN_ZIP_W;
    return FileExists(exe) ? exe : std::wstring();
}

std::wstring ArchiveFixture(const std::wstring& name) {
    return JoinPath(BuildFolder(), L"tests\\fixtures\\archives\\" + name);
}
