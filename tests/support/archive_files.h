// Archives for the archive thumbnail tests: ZIP and RAR 5.0 files written
// byte by byte (so that sizes and names can lie), the build's 7z, CAB and LZH fixtures,
// and the Windows 7-Zip that opens them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;  // as stored, in the thread's ANSI code page
    std::vector<unsigned char> data;
    bool deflate = false;
    // Stands in the headers as the uncompressed size instead of the data's.
    int64_t declaredSize = -1;
};

// A ZIP archive of the entries in order, with its central directory.
std::vector<unsigned char> MakeZipBytes(const std::vector<ZipEntry>& entries);

// A RAR 5.0 archive of the entries in order, every member stored
// (uncompressed), names as given (UTF-8, "/" between folders); a name ending
// in "/" is a folder. Entries' deflate flags are ignored; a declared size
// stands in the file header as the unpacked size.
std::vector<unsigned char> MakeRar5Bytes(const std::vector<ZipEntry>& entries);

// The console 7-Zip built with the third-party libraries; empty when the
// file is not there.
std::wstring SevenZipExe();

// An archive made by the build's archive fixture generator.
std::wstring ArchiveFixture(const std::wstring& name);
