#include "support/file_ledger.h"

#include <windows.h>

#include <set>

#include "support/test_files.h"

namespace {

void CollectContents(const std::wstring& folder, std::set<std::string>* contents) {
    for (const std::wstring& name : FolderEntries(folder)) {
        std::wstring path = JoinPath(folder, name);
        if (FolderExists(path)) {
            CollectContents(path, contents);
        } else {
            contents->insert(ReadByteString(path));
        }
    }
}

std::wstring UnixFolderAsWindows(const wchar_t* variable, const wchar_t* below) {
    wchar_t value[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(variable, value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || value[0] != L'/') return L"";
    std::wstring path = std::wstring(L"Z:") + value + below;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

}  // namespace

std::wstring RecycleBinFolder() { return UnixFolderAsWindows(L"XDG_DATA_HOME", L"/Trash/files"); }

bool RecycleBinHolds(const std::string& bytes) {
    std::wstring folder = RecycleBinFolder();
    if (folder.empty()) return false;
    std::set<std::string> contents;
    CollectContents(folder, &contents);
    return contents.count(bytes) != 0;
}

std::wstring SpareDriveRoot() {
    wchar_t value[8] = L"";
    DWORD length = GetEnvironmentVariableW(L"ZUV_SPARE_DRIVE", value, 8);
    if (length != 2 || value[1] != L':') return L"";
    std::wstring root = std::wstring(value) + L"\\";
    return GetDriveTypeW(root.c_str()) == DRIVE_FIXED ? root : L"";
}

std::string FileLedger::Write(const std::wstring& path, size_t extraBytes) {
    static LONG counter = 0;
    std::string contents = "ledger " + std::to_string(GetCurrentProcessId()) + " " +
                           std::to_string(GetTickCount()) + " " + std::to_string(InterlockedIncrement(&counter)) +
                           " " + ToUtf8(path);
    contents.append(extraBytes, 'x');
    if (WriteText(path, contents)) files_.emplace_back(path, contents);
    return contents;
}

const std::string& FileLedger::ContentsOf(const std::wstring& path) const {
    static const std::string none;
    for (const auto& file : files_) {
        if (file.first == path) return file.second;
    }
    return none;
}

std::vector<std::wstring> FileLedger::Lost(const std::vector<std::wstring>& folders) const {
    std::set<std::string> found;
    for (const std::wstring& folder : folders) CollectContents(folder, &found);
    std::wstring bin = RecycleBinFolder();
    if (!bin.empty()) CollectContents(bin, &found);
    std::vector<std::wstring> lost;
    for (const auto& file : files_) {
        if (!found.count(file.second)) lost.push_back(file.first);
    }
    return lost;
}
