// Proof that a file operation lost nothing: every file written through the
// ledger has unique contents, and afterwards each must still be found whole
// somewhere under the folders checked, or in the recycle bin.
#pragma once

#include <string>
#include <vector>

// The folder where Wine's recycle bin keeps the files it was given (the
// freedesktop trash of the test run), or empty when it is not known.
std::wstring RecycleBinFolder();
// Whether the recycle bin holds a file with exactly these bytes.
bool RecycleBinHolds(const std::string& bytes);

// A drive letter that the test run maps to a folder on another file system
// ("Y:\\"), or empty when the run has not mapped it.
std::wstring SpareDriveRoot();

class FileLedger {
public:
    // Writes a file whose contents name it and this ledger uniquely, and
    // remembers them; returns the contents.
    std::string Write(const std::wstring& path, size_t extraBytes = 0);
    // The contents written for `path`.
    const std::string& ContentsOf(const std::wstring& path) const;
    // The paths written whose contents are found in no file under `folders`
    // and not in the recycle bin.
    std::vector<std::wstring> Lost(const std::vector<std::wstring>& folders) const;

private:
    std::vector<std::pair<std::wstring, std::string>> files_;
};
