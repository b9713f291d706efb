// A console archiver over ZIP files, with the command lines and the listing
// format of the real one: enough for the preview's archive pages.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <unzip.h>

#include <string>
#include <vector>

#include "standin_log.h"

namespace {

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

std::string Ansi(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &ansi[0], n, nullptr, nullptr);
    ansi.resize(strlen(ansi.c_str()));
    return ansi;
}

// The entry's name as the Windows archiver shows it: backslashes.
std::wstring ShownName(const char* name) {
    std::wstring shown = Wide(name);
    for (wchar_t& c : shown) {
        if (c == L'/') c = L'\\';
    }
    while (!shown.empty() && shown.back() == L'\\') shown.pop_back();
    return shown;
}

int List(unzFile zip) {
    std::string out;
    int status = unzGoToFirstFile(zip);
    while (status == UNZ_OK) {
        unz_file_info64 info;
        char name[1024];
        unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0);
        out += "Path = " + Ansi(ShownName(name)) + "\r\n";
        out += "Folder = " + std::string(name[strlen(name) - 1] == '/' ? "+" : "-") + "\r\n";
        out += "Size = " + std::to_string(info.uncompressed_size) + "\r\n\r\n";
        status = unzGoToNextFile(zip);
    }
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    return 0;
}

int Extract(unzFile zip, const std::wstring& folder, const std::wstring& wanted) {
    AppendLogLine(L"extract", wanted.c_str());
    int status = unzGoToFirstFile(zip);
    while (status == UNZ_OK) {
        unz_file_info64 info;
        char name[1024];
        unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0);
        if (lstrcmpiW(ShownName(name).c_str(), wanted.c_str()) == 0) {
            std::vector<char> bytes(static_cast<size_t>(info.uncompressed_size) + 1);
            unzOpenCurrentFile(zip);
            int read = unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(info.uncompressed_size));
            unzCloseCurrentFile(zip);
            std::wstring path = folder + L"\\" + wanted;
            std::wstring parent = path.substr(0, path.find_last_of(L'\\'));
            SHCreateDirectoryExW(nullptr, parent.c_str(), nullptr);
            HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            if (out != INVALID_HANDLE_VALUE) {
                WriteFile(out, bytes.data(), static_cast<DWORD>(read > 0 ? read : 0), &written, nullptr);
                CloseHandle(out);
            }
            return 0;
        }
        status = unzGoToNextFile(zip);
    }
    return 1;
}

}  // namespace

int wmain() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count < 3) return 2;
    unzFile zip = unzOpen(Ansi(args[2]).c_str());
    if (!zip) return 2;
    int result = 2;
    if (lstrcmpW(args[1], L"l") == 0) {
        result = List(zip);
    } else if (lstrcmpW(args[1], L"x") == 0 && count >= 6 && wcsncmp(args[3], L"-o", 2) == 0 &&
               wcsncmp(args[4], L"-i!", 3) == 0 && lstrcmpW(args[5], L"-r-") == 0) {
        // One member by its full path, without recursion.
        result = Extract(zip, args[3] + 2, args[4] + 3);
    }
    unzClose(zip);
    LocalFree(args);
    return result;
}
