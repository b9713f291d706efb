#pragma once

// The start folder from the program's argument list (args[0] is the program):
// without an argument the setting `dir`; else the first argument when it is
// a folder whose full path fits the 260-character buffer, made full against
// the process's current folder; otherwise empty.
void ChooseStartFolder(int argCount, wchar_t** args, wchar_t* folder);
