// Text in the thread's ANSI code page, as the libraries that take narrow
// paths (miniz, minizip) and the archiver's listing use it.
#pragma once

#include <string>

// The text converted to the thread's ANSI code page; empty when it is empty
// or does not convert exactly (a character that the code page can only
// stand in for, by a best fit or the default character).
std::string ThreadAnsiText(const wchar_t* text);

// The wide form of text in the thread's ANSI code page; empty when it cannot
// be converted.
std::wstring WideFromThreadAnsi(const std::string& text);
