#include "shell/folder_listing.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

#include "fileops/folder_helpers.h"
#include "shell/main_state.h"

namespace {

TListingName NameOfPath(const wchar_t* name, const wchar_t* path, bool isFolder) {
    TListingName entry;
    entry.name = name;
    // The stem is the path with its extension removed, as
    // PathRenameExtensionW(path, L"") leaves it.
    const wchar_t* extension = PathFindExtensionW(path);
    entry.extension = extension;
    entry.stem.assign(path, static_cast<size_t>(extension - path));
    entry.folder = isFolder;
    return entry;
}

// An empty buffer when the joined path does not fit.
void JoinListingPath(wchar_t* path, const wchar_t* folder, const wchar_t* name) {
    if (!PathCombineW(path, folder, name)) path[0] = 0;
}

// The stems of one listing all begin with the same folder path, which does
// not influence their order; the comparison starts at the last backslash they
// share, so the sort does not compare the folder path again and again.
void SetSortStart(std::vector<TListingName>& names) {
    if (names.empty()) return;
    const std::wstring& first = names[0].stem;
    size_t shared = first.size();
    for (const TListingName& n : names) {
        size_t k = 0;
        while (k < shared && k < n.stem.size() && n.stem[k] == first[k]) ++k;
        shared = k;
    }
    size_t slash = shared ? first.rfind(L'\\', shared - 1) : std::wstring::npos;
    size_t start = slash == std::wstring::npos ? 0 : slash;
    for (TListingName& n : names) n.sortFrom = start;
}

// Redraw is off while a listing changes the list view: item by item it
// would lay its items out and paint them anew.
void BeginListChange(HWND list) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
}

void EndListChange(HWND list, LONG_PTR styleBefore) {
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    if (styleBefore & WS_VISIBLE) {
        RedrawWindow(list, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    } else if (GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE) {
        // Turning redraw on shows a hidden window on some systems.
        SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_VISIBLE));
    }
}

// The entries of the folder that a listing shows; none when it cannot be
// enumerated.
void CollectNames(const wchar_t* folder, int hideCache, std::vector<TListingName>& names) {
    ForEachFolderEntry(folder, [folder, hideCache, &names](const WIN32_FIND_DATAW& found) {
        const wchar_t* name = found.cFileName;
        if (hideCache == 1 && _wcsicmp(name, L"Zuv_CACHE") == 0) return;
        wchar_t path[kPathChars];
        JoinListingPath(path, folder, name);
        // The entry's attributes are what PathIsSystemFolderW and
        // PathIsDirectoryW would read for the path; taken once here, the
        // folder state cannot change while the sort compares it.
        DWORD attributes = path[0] ? found.dwFileAttributes : 0;
        if (attributes && PathIsSystemFolderW(path, attributes)) return;
        names.push_back(NameOfPath(name, path, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0));
    });
}

void InsertNames(HWND list, const std::vector<TListingName*>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.iSubItem = 0;
        item.pszText = &names[i]->name[0];
        item.iImage = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void RenameOldCacheFolder(const wchar_t* folder) {
    wchar_t oldName[kPathChars];
    wchar_t newName[kPathChars];
    if (!PathCombineW(oldName, folder, L"Zuv_CASH") || !PathCombineW(newName, folder, L"Zuv_CACHE")) return;
    if (IsFolderPath(oldName) && !IsFolderPath(newName)) MoveFileW(oldName, newName);
}

}  // namespace

bool IsFolderPath(const wchar_t* path) {
    return path && *path && PathIsDirectoryW(path) == FILE_ATTRIBUTE_DIRECTORY;
}

TListingName DescribeListingName(const wchar_t* folder, const wchar_t* name, bool isFolder) {
    wchar_t path[kPathChars];
    JoinListingPath(path, folder, name);
    return NameOfPath(name, path, isFolder);
}

bool CompareListNames(const TListingName& a, const TListingName& b) {
    if (a.folder != b.folder) return a.folder;
    size_t fromA = std::min(a.sortFrom, a.stem.size());
    size_t fromB = std::min(b.sortFrom, b.stem.size());
    const wchar_t* stemA = a.stem.c_str() + fromA;
    const wchar_t* stemB = b.stem.c_str() + fromB;
    // Stems of different lengths never match without regard to case.
    bool sameLength = a.stem.size() - fromA == b.stem.size() - fromB;
    if (sameLength && _wcsicmp(stemA, stemB) == 0) {
        return StrCmpLogicalW(a.extension.c_str(), b.extension.c_str()) < 0;
    }
    int order = StrCmpLogicalW(stemA, stemB);
    if (order != 0) return order < 0;
    // Stems that differ in spelling but compare equal by value ("a1", "a01"):
    // a fixed order between them keeps the sort's ordering strict.
    return _wcsicmp(stemA, stemB) < 0;
}

void ReadFolderListing(const wchar_t* folder, int hideCache, TFolderListing* listing) {
    std::vector<TListingName>& names = listing->names;
    names.clear();
    listing->order.clear();
    // An empty path names no folder; the pattern made from it would search
    // the root of the current drive.
    if (folder && folder[0]) {
        RenameOldCacheFolder(folder);
        CollectNames(folder, hideCache, names);
    }
    SetSortStart(names);
    // Sorting pointers spares moving the strings.
    std::vector<TListingName*>& order = listing->order;
    order.reserve(names.size());
    for (TListingName& n : names) order.push_back(&n);
    std::sort(order.begin(), order.end(),
              [](const TListingName* a, const TListingName* b) { return CompareListNames(*a, *b); });
}

void ShowFolderListing(HWND list, const TFolderListing& listing) {
    LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    BeginListChange(list);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    InsertNames(list, listing.order);
    EndListChange(list, style);
}

void ListFolder(HWND list, const wchar_t* folder, int hideCache) {
    TFolderListing listing;
    ReadFolderListing(folder, hideCache, &listing);
    ShowFolderListing(list, listing);
}

void ListViewItemText(HWND list, int index, wchar_t* text) {
    text[0] = L'\0';
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = kPathChars;
    SendMessageW(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
}

void ListViewItemUnderMouse(HWND list, wchar_t* name) {
    name[0] = 0;
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(list, &hit.pt);
    int index = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index < 0 || !(hit.flags & (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON))) return;
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = name;
    item.cchTextMax = kPathChars;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int FindItemByName(const wchar_t* name, int fallback) {
    int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[kPathChars];
        ListViewItemText(listView, i, text);
        if (_wcsicmp(text, name) == 0) return i;
    }
    return fallback < count ? fallback : count;
}
