#pragma once

// The start folder from the program's argument list (args[0] is the program):
// without an argument the setting `dir`; else the first argument when it is
// a folder whose path fits the 260-character buffer, otherwise empty.
void ChooseStartFolder(int argCount, wchar_t** args, wchar_t* folder);
