#include "thumbnails/renderers/ansi_text.h"

#include <windows.h>

std::string ThreadAnsiText(const wchar_t* text) {
    if (!text || !*text) return std::string();
    // No best fit and no default character: a stand-in would name another,
    // similarly named file.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* askDefault = &usedDefault;
    int bytes = WideCharToMultiByte(CP_THREAD_ACP, flags, text, -1, nullptr, 0, nullptr, askDefault);
    if (bytes == 0 && GetLastError() == ERROR_INVALID_PARAMETER) {
        // UTF-8 takes neither, and converts every character exactly.
        flags = 0;
        askDefault = nullptr;
        bytes = WideCharToMultiByte(CP_THREAD_ACP, flags, text, -1, nullptr, 0, nullptr, askDefault);
    }
    if (bytes <= 1 || usedDefault) return std::string();
    std::string ansi(static_cast<size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_THREAD_ACP, flags, text, -1, &ansi[0], bytes, nullptr, askDefault) != bytes ||
        usedDefault) {
        return std::string();
    }
    // A character without a form of its own can still come back as another.
    ansi.resize(static_cast<size_t>(bytes - 1));
    if (WideFromThreadAnsi(ansi) != text) return std::string();
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
