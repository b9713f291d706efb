#include "thumbnails/renderers/ansi_text.h"

#include <windows.h>

std::string ThreadAnsiText(const wchar_t* text) {
    int bytes = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return std::string();
    std::string ansi(static_cast<size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, &ansi[0], bytes, nullptr, nullptr) != bytes) {
        return std::string();
    }
    ansi.resize(static_cast<size_t>(bytes - 1));
    return ansi;
}

std::wstring WideFromThreadAnsi(const std::string& text) {
    int chars = MultiByteToWideChar(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (chars <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    if (MultiByteToWideChar(CP_THREAD_ACP, 0, text.c_str(), -1, &wide[0], chars) != chars) return std::wstring();
    wide.resize(static_cast<size_t>(chars - 1));
    return wide;
}
