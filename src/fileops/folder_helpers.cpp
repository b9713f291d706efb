#include "fileops/folder_helpers.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <strsafe.h>

namespace {

constexpr int kPathChars = MAX_PATH;

void RecycleFile(const wchar_t* path) {
    // SHFileOperationW takes a list ended by two zeros.
    wchar_t list[kPathChars + 1] = {};
    StringCchCopyW(list, kPathChars, path);
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    SHFileOperationW(&operation);
}

}  // namespace

void ForEachFolderEntry(const wchar_t* folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
    wchar_t pattern[kPathChars];
    if (FAILED(StringCchCopyW(pattern, kPathChars, folder)) || FAILED(StringCchCatW(pattern, kPathChars, L"\\*.*"))) {
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const wchar_t* name = found.cFileName;
        if (_wcsicmp(name, L".") == 0 || _wcsicmp(name, L"..") == 0) continue;
        visit(found);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void DeleteFolderContents(const wchar_t* folder, int recycle) {
    ForEachFolderEntry(folder, [folder, recycle](const WIN32_FIND_DATAW& found) {
        wchar_t path[kPathChars];
        // An entry whose path does not fit is left alone rather than cut.
        if (!PathCombineW(path, folder, found.cFileName)) return;
        if (PathIsSystemFolderW(path, 0)) return;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteFolderContents(path, recycle);
            RemoveDirectoryW(path);
        } else if (recycle != 1) {
            DeleteFileW(path);
        } else if (PathFileExistsW(path)) {
            RecycleFile(path);
        }
    });
}
