// Temporary folders and small files for tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh folder under the system temporary folder, removed with everything
// in it when the object goes.
class TempFolder {
public:
    TempFolder();
    // A fresh folder inside `base` (for example "Z:\\tmp" for a folder on
    // another drive than the system temporary folder).
    explicit TempFolder(const std::wstring& base);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    // path() joined with a relative name.
    std::wstring operator/(const std::wstring& name) const;

private:
    std::wstring path_;
};

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
bool WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
bool WriteText(const std::wstring& path, const std::string& utf8);
std::vector<unsigned char> ReadBytes(const std::wstring& path);
// The file's bytes as they are, in a string (for archive members).
std::string ReadByteString(const std::wstring& path);
// Sets the last-write time of a file or folder to a local time.
bool SetLocalWriteTime(const std::wstring& path, const SYSTEMTIME& local);
bool MakeFolder(const std::wstring& path);  // with missing parents
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Removes a folder and everything in it; links inside are removed
// themselves (RemoveFolderLink), never followed.
void RemoveTree(const std::wstring& path);

// A symbolic link at `link` to the folder `target`, made by the system's own
// "ln" under Wine (whose CreateSymbolicLinkW makes nothing); Wine lists it as
// a folder carrying FILE_ATTRIBUTE_REPARSE_POINT. False when not under Wine
// or when the link did not appear.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);
// Removes such a link itself, leaving what it points to.
bool RemoveFolderLink(const std::wstring& link);
// Names in a folder, sorted, without "." and "..".
std::vector<std::wstring> FolderEntries(const std::wstring& path);

// Folder of the running test program, and the build folder.
std::wstring TestProgramFolder();
std::wstring BuildFolder();
std::wstring SourceFolder();

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
// The text's bytes in a code page (932 for Shift-JIS, CP_UTF8, ...).
std::vector<unsigned char> EncodeText(const std::wstring& text, UINT codePage);
