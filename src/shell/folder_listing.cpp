#include "shell/folder_listing.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <strsafe.h>

#include <algorithm>
#include <vector>

#include "shell/main_state.h"

namespace {

TListingName NameOfPath(const wchar_t* name, const wchar_t* path, bool isFolder) {
    TListingName entry;
    entry.name = name;
    entry.extension = PathFindExtensionW(path);
    wchar_t stem[kPathChars];
    StringCchCopyW(stem, kPathChars, path);
    PathRenameExtensionW(stem, L"");
    entry.stem = stem;
    entry.folder = isFolder;
    return entry;
}

// An empty buffer when the joined path does not fit.
void JoinListingPath(wchar_t* path, const wchar_t* folder, const wchar_t* name) {
    if (!PathCombineW(path, folder, name)) path[0] = 0;
}

void RenameOldCacheFolder(const wchar_t* folder) {
    wchar_t oldName[kPathChars];
    wchar_t newName[kPathChars];
    if (!PathCombineW(oldName, folder, L"Zuv_CASH") || !PathCombineW(newName, folder, L"Zuv_CACHE")) return;
    if (IsFolderPath(oldName) && !IsFolderPath(newName)) MoveFileW(oldName, newName);
}

}  // namespace

bool IsFolderPath(const wchar_t* path) {
    return PathIsDirectoryW(path) == FILE_ATTRIBUTE_DIRECTORY;
}

TListingName DescribeListingName(const wchar_t* folder, const wchar_t* name, bool isFolder) {
    wchar_t path[kPathChars];
    JoinListingPath(path, folder, name);
    return NameOfPath(name, path, isFolder);
}

bool CompareListNames(const TListingName& a, const TListingName& b) {
    if (a.folder != b.folder) return a.folder;
    if (_wcsicmp(a.stem.c_str(), b.stem.c_str()) == 0) {
        return StrCmpLogicalW(a.extension.c_str(), b.extension.c_str()) < 0;
    }
    int order = StrCmpLogicalW(a.stem.c_str(), b.stem.c_str());
    if (order != 0) return order < 0;
    // Stems that differ in spelling but compare equal by value ("a1", "a01"):
    // a fixed order between them keeps the sort's ordering strict.
    return _wcsicmp(a.stem.c_str(), b.stem.c_str()) < 0;
}

void ListFolder(HWND list, const wchar_t* folder, int hideCache) {
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    // An empty path names no folder; the pattern made from it would search
    // the root of the current drive.
    if (!folder || !folder[0]) return;
    RenameOldCacheFolder(folder);

    wchar_t pattern[kPathChars];
    if (FAILED(StringCchCopyW(pattern, kPathChars, folder)) || FAILED(StringCchCatW(pattern, kPathChars, L"\\*.*"))) {
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;

    std::vector<TListingName> names;
    do {
        const wchar_t* name = found.cFileName;
        if (_wcsicmp(name, L".") == 0 || _wcsicmp(name, L"..") == 0) continue;
        if (hideCache == 1 && _wcsicmp(name, L"Zuv_CACHE") == 0) continue;
        wchar_t path[kPathChars];
        JoinListingPath(path, folder, name);
        if (PathIsSystemFolderW(path, 0)) continue;
        // Asked once per name: an answer that changed during the sort would
        // break its ordering.
        names.push_back(NameOfPath(name, path, IsFolderPath(path)));
    } while (FindNextFileW(search, &found));
    FindClose(search);

    std::sort(names.begin(), names.end(), CompareListNames);

    for (size_t i = 0; i < names.size(); ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.iSubItem = 0;
        item.pszText = &names[i].name[0];
        item.iImage = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

int FindItemByName(const wchar_t* name, int fallback) {
    int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[kPathChars] = L"";
        LVITEMW item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = kPathChars;
        SendMessageW(listView, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        if (_wcsicmp(text, name) == 0) return i;
    }
    return fallback < count ? fallback : count;
}
