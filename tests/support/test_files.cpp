#include "support/test_files.h"

#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <functional>

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    if (folder.back() == L'\\') return folder + name;
    return folder + L"\\" + name;
}

namespace {

std::wstring SystemTempFolder() {
    wchar_t base[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, base);
    return base;
}

}  // namespace

TempFolder::TempFolder() : TempFolder(SystemTempFolder()) {}

TempFolder::TempFolder(const std::wstring& base) {
    static std::atomic<int> counter{0};
    for (;;) {
        wchar_t name[64];
        wsprintfW(name, L"zuvtest_%lu_%d_%lu", GetCurrentProcessId(), counter++, GetTickCount());
        path_ = JoinPath(base, name);
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        // A base that cannot hold folders: the test finds no folder.
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::wstring TempFolder::operator/(const std::wstring& name) const { return JoinPath(path_, name); }

bool WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool WriteText(const std::wstring& path, const std::string& utf8) {
    return WriteBytes(path, std::vector<unsigned char>(utf8.begin(), utf8.end()));
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

std::string ReadByteString(const std::wstring& path) {
    std::vector<unsigned char> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool SetLocalWriteTime(const std::wstring& path, const SYSTEMTIME& local) {
    SYSTEMTIME utc;
    FILETIME written;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &written)) return false;
    // Backup semantics: folders are opened too.
    HANDLE item = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (item == INVALID_HANDLE_VALUE) return false;
    bool set = SetFileTime(item, nullptr, nullptr, &written) != FALSE;
    CloseHandle(item);
    return set;
}

bool MakeFolder(const std::wstring& path) {
    if (FolderExists(path)) return true;
    size_t cut = path.find_last_of(L'\\');
    if (cut != std::wstring::npos && cut > 2) MakeFolder(path.substr(0, cut));
    return CreateDirectoryW(path.c_str(), nullptr) || FolderExists(path);
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// The Unix path of a Windows path under Wine, or empty.
std::string UnixPathOf(const std::wstring& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName =
        reinterpret_cast<UnixName>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name) return "";
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Starts a program of the Unix system under Wine (which runs it natively);
// its end cannot be waited for, so callers wait for what it does.
bool StartUnixProgram(const wchar_t* program, const std::vector<std::string>& arguments) {
    std::wstring commandLine = program;
    for (const std::string& argument : arguments) commandLine += L" \"" + FromUtf8(argument) + L"\"";
    std::wstring programPath = L"Z:" + std::wstring(program);
    std::replace(programPath.begin(), programPath.end(), L'/', L'\\');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(programPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Whether the folder lists an entry of that name carrying the reparse flag.
bool ListsLink(const std::wstring& link) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(link.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

}  // namespace

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
    std::string unixLink = UnixPathOf(link);
    std::string unixTarget = UnixPathOf(target);
    if (unixLink.empty() || unixTarget.empty()) return false;
    if (!StartUnixProgram(L"/bin/ln", {"-s", unixTarget, unixLink})) return false;
    return WaitUntil([&] { return ListsLink(link); });
}

bool RemoveFolderLink(const std::wstring& link) {
    std::string unixLink = UnixPathOf(link);
    if (unixLink.empty() || !StartUnixProgram(L"/bin/rm", {"-f", unixLink})) return false;
    return WaitUntil([&] {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(link.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        return search == INVALID_HANDLE_VALUE;
    });
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(JoinPath(path, L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = JoinPath(path, name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveFolderLink(full);
                continue;
            }
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

std::vector<std::wstring> FolderEntries(const std::wstring& path) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(JoinPath(path, L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring TestProgramFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    return path;
}

std::wstring BuildFolder() { return ZUV_BUILD_DIR_W; }
std::wstring SourceFolder() { return ZUV_SOURCE_DIR_W; }

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

std::vector<unsigned char> EncodeText(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<char*>(bytes.data()),
                        size, nullptr, nullptr);
    return bytes;
}
