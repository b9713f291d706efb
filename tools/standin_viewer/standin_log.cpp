#include "standin_log.h"

#include <windows.h>

#include <string>

void AppendLogLine(const wchar_t* kind, const wchar_t* text) {
    wchar_t path[MAX_PATH] = L"";
    if (!GetEnvironmentVariableW(L"ZUV_STANDIN_LOG", path, MAX_PATH)) return;
    std::wstring line = std::wstring(kind) + L"\t" + text + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0], size, nullptr, nullptr);
    // Several processes may append; open, write and close each time.
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(10);
    }
}
