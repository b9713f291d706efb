// Helpers on folder contents.
#pragma once

#include <windows.h>

#include <functional>

// Calls `visit` for every entry of the folder but "." and "..", in the order
// the file system gives them; nothing when the folder cannot be enumerated
// or its search pattern does not fit MAX_PATH.
void ForEachFolderEntry(const wchar_t* folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit);

// Empties a folder recursively: files go to the recycle bin when `recycle`
// is 1, else they are deleted for good; emptied sub-folders are removed.
// Read-only and system sub-folders are left alone; the folder itself stays.
void DeleteFolderContents(const wchar_t* folder, int recycle);
