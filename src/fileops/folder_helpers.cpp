#include "fileops/folder_helpers.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <strsafe.h>

#include "shell/main_state.h"
#include "thumbnails/cache_files.h"

namespace {

bool IsDirectory(const WIN32_FIND_DATAW& found) { return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
bool IsLink(const WIN32_FIND_DATAW& found) { return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Whether the link itself can be acted on: opened as a reparse point, the
// handle must still show one. Wine opens the target instead, and a move or
// delete by any call would then reach what the link points to.
bool LinkItselfReachable(const wchar_t* link) {
    HANDLE handle = CreateFileW(link, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    bool reachable = GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof(tag)) &&
                     (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    CloseHandle(handle);
    return reachable;
}

// Source and target paths of one entry; false when either does not fit, and
// the entry is then left where it is.
bool EntryPaths(const wchar_t* source, const wchar_t* target, const wchar_t* name, wchar_t sourcePath[kPathChars],
                wchar_t targetPath[kPathChars]) {
    return PathCombineW(sourcePath, source, name) && PathCombineW(targetPath, target, name);
}

// An existing target file is replaced only once it is safe in the recycle
// bin; a folder in its place is not the file's to replace.
bool ClearFileTarget(const wchar_t* targetPath) {
    if (!PathFileExistsW(targetPath)) return true;
    if (PathIsDirectoryW(targetPath)) return false;
    if (!RecyclePath(targetPath)) return false;
    // Its cache icons showed the file that went.
    DeleteCacheEntries(targetPath);
    return true;
}

bool SameCanonicalPath(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// Volume and file index of an existing file or folder, which name it in any
// spelling of its path.
bool FileIdentity(const wchar_t* path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL ok = GetFileInformationByHandle(file, info);
    CloseHandle(file);
    return ok != FALSE;
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// The long form of a full path; the part that does not exist yet is kept as
// written after the long form of the part that does.
bool LongForm(const wchar_t* full, wchar_t out[kPathChars]) {
    DWORD length = GetLongPathNameW(full, out, kPathChars);
    if (length > 0 && length < kPathChars) return true;
    const wchar_t* name = PathFindFileNameW(full);
    if (name == full || !*name || PathIsRootW(full)) return SUCCEEDED(StringCchCopyW(out, kPathChars, full));
    wchar_t parent[kPathChars];
    if (FAILED(StringCchCopyNW(parent, kPathChars, full, static_cast<size_t>(name - full)))) return false;
    PathRemoveBackslashW(parent);
    if (!LongForm(parent, out)) return false;
    return PathAppendW(out, name) != FALSE;
}

}  // namespace

std::vector<std::wstring> SplitString(const std::wstring& text, wchar_t delimiter) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(delimiter, start);
        if (end == std::wstring::npos) end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool ForEachFolderEntry(const wchar_t* folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
    wchar_t pattern[kPathChars];
    if (FAILED(StringCchCopyW(pattern, kPathChars, folder)) || FAILED(StringCchCatW(pattern, kPathChars, L"\\*.*"))) {
        return false;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    // An empty drive root has not even "." to list.
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND && PathIsDirectoryW(folder);
    do {
        const wchar_t* name = found.cFileName;
        if (_wcsicmp(name, L".") == 0 || _wcsicmp(name, L"..") == 0) continue;
        visit(found);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

void CreateDirectoryPath(const wchar_t* path) {
    std::vector<std::wstring> parts = SplitString(path, L'\\');
    wchar_t accumulated[kPathChars] = L"";
    size_t first = 0;
    // "\\server\share" is one level that cannot be created, only reached.
    if (parts.size() >= 4 && parts[0].empty() && parts[1].empty()) {
        std::wstring share = L"\\\\" + parts[2] + L"\\" + parts[3];
        if (FAILED(StringCchCopyW(accumulated, kPathChars, share.c_str()))) return;
        first = 4;
    }
    for (size_t i = first; i < parts.size(); ++i) {
        if (parts[i].empty()) continue;
        wchar_t next[kPathChars];
        if (!PathCombineW(next, accumulated, parts[i].c_str())) return;
        StringCchCopyW(accumulated, kPathChars, next);
        if (!PathFileExistsW(accumulated)) CreateDirectoryW(accumulated, nullptr);
    }
}

TShellDelete ShellDeleteItem(const wchar_t* path, bool toRecycleBin) {
    // SHFileOperationW takes a list ended by two zeros.
    wchar_t list[kPathChars + 1] = {};
    if (FAILED(StringCchCopyW(list, kPathChars, path))) return kShellFailed;
    SHFILEOPSTRUCTW operation = {};
    // The shell's question keeps the main window from being used meanwhile.
    operation.hwnd = mainWindow;
    operation.wFunc = FO_DELETE;
    operation.pFrom = list;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    // Where the recycle bin cannot take a file, the shell would otherwise
    // delete it for good and report success; with the warning it asks first.
    if (toRecycleBin) operation.fFlags |= FOF_ALLOWUNDO | FOF_WANTNUKEWARNING;
    int result = SHFileOperationW(&operation);
    if (operation.fAnyOperationsAborted || result == ERROR_CANCELLED) return kShellRefused;
    return result == 0 ? kShellDeleted : kShellFailed;
}

bool ShellDeletePath(const wchar_t* path, bool toRecycleBin) {
    return ShellDeleteItem(path, toRecycleBin) == kShellDeleted;
}

bool RecyclePath(const wchar_t* path) { return ShellDeletePath(path, true); }

bool CanonicalPath(const wchar_t* path, wchar_t canonical[MAX_PATH]) {
    wchar_t full[kPathChars];
    DWORD length = GetFullPathNameW(path, kPathChars, full, nullptr);
    if (length == 0 || length >= kPathChars) return false;
    if (!LongForm(full, canonical)) return false;
    PathRemoveBackslashW(canonical);
    return true;
}

bool PathIsSameOrInside(const wchar_t* path, const wchar_t* folder) {
    wchar_t inner[kPathChars];
    wchar_t outer[kPathChars];
    if (!CanonicalPath(path, inner) || !CanonicalPath(folder, outer)) return true;
    if (SameCanonicalPath(inner, outer)) return true;
    size_t outerLength = lstrlenW(outer);
    if (static_cast<size_t>(lstrlenW(inner)) > outerLength &&
        CompareStringOrdinal(inner, static_cast<int>(outerLength), outer, static_cast<int>(outerLength), TRUE) ==
            CSTR_EQUAL &&
        (inner[outerLength] == L'\\' || outer[outerLength - 1] == L'\\')) {
        return true;
    }
    // Another spelling of the same folder (a second drive letter or a link to
    // it) shows in the identity of `path` or one of its existing parents.
    BY_HANDLE_FILE_INFORMATION folderId;
    if (!FileIdentity(outer, &folderId)) return false;
    for (;;) {
        BY_HANDLE_FILE_INFORMATION id;
        if (FileIdentity(inner, &id) && SameIdentity(id, folderId)) return true;
        if (PathIsRootW(inner) || !PathRemoveFileSpecW(inner)) return false;
    }
}

bool IsSameFileOrFolder(const wchar_t* a, const wchar_t* b) {
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return FileIdentity(a, &first) && FileIdentity(b, &second) && SameIdentity(first, second);
}

bool IsLinkPath(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MoveLinkItself(const wchar_t* link, const wchar_t* target) {
    // MoveFileExW moves a junction or symbolic link itself, without copying.
    return LinkItselfReachable(link) && MoveFileExW(link, target, 0);
}

bool RemoveLinkItself(const wchar_t* link) {
    if (!LinkItselfReachable(link)) return false;
    // RemoveDirectoryW removes a folder link even when its target holds files.
    DWORD attributes = GetFileAttributesW(link);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return RemoveDirectoryW(link) != FALSE;
    }
    return DeleteFileW(link) != FALSE;
}

bool MovePathItself(const wchar_t* source, const wchar_t* target) {
    if (IsLinkPath(source)) return MoveLinkItself(source, target);
    return MoveFileW(source, target) != FALSE;
}

namespace {

void RemovePartCopy(const wchar_t* target) {
    SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(target);
}

bool FileSize(const wchar_t* path, ULONGLONG* size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return false;
    *size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

}  // namespace

bool CopyFileWhole(const wchar_t* source, const wchar_t* target) {
    if (!CopyFileW(source, target, TRUE)) {
        DWORD error = GetLastError();
        // Only a target that was there already is not the copy's own.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) RemovePartCopy(target);
        return false;
    }
    // Wine's CopyFileW takes a read error for the end of the file and reports
    // success: a copy shorter than its source is a part copy.
    ULONGLONG sourceSize = 0;
    ULONGLONG targetSize = 0;
    if (FileSize(source, &sourceSize) && FileSize(target, &targetSize) && sourceSize != targetSize) {
        RemovePartCopy(target);
        return false;
    }
    return true;
}

bool MoveFileWhole(const wchar_t* source, const wchar_t* target) {
    if (IsLinkPath(source)) return MoveLinkItself(source, target);
    if (MoveFileExW(source, target, 0)) return true;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE || PathFileExistsW(target)) return false;
    if (!CopyFileWhole(source, target)) return false;
    DWORD attributes = GetFileAttributesW(source);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(source, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (DeleteFileW(source)) return true;
    // The source cannot go: keep it and take the copy back, so the file is
    // in one place as before.
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(source, attributes);
    RemovePartCopy(target);
    return false;
}

namespace {

// The walk both transfers share: refuses a target inside the source, skips
// system folders and entries whose paths do not fit, makes the target of a
// folder entry before `visit` sees it (and leaves the entry alone when that
// target is no folder).
enum TEntryKind { kFileEntry, kFolderEntry, kLinkEntry };
// `visit` returns whether the entry arrived; those that did not (and those
// whose paths do not fit or whose folder could not be made) are counted
// into `missed` when it is given.
using TEntryVisit = std::function<bool(const wchar_t* sourcePath, const wchar_t* targetPath, TEntryKind kind)>;

int TransferContents(const wchar_t* source, const wchar_t* target, int* missed, const TEntryVisit& visit) {
    if (IsLinkPath(source) || PathIsSameOrInside(target, source)) return 0;
    int notArrived = 0;
    bool listed = ForEachFolderEntry(source, [&](const WIN32_FIND_DATAW& found) {
        wchar_t sourcePath[kPathChars];
        wchar_t targetPath[kPathChars];
        if (!EntryPaths(source, target, found.cFileName, sourcePath, targetPath)) {
            ++notArrived;
            return;
        }
        // A link is one entry whatever it points to: its target's files are
        // not the source's to move, and a link to a parent would copy forever.
        if (IsLink(found)) {
            if (!visit(sourcePath, targetPath, kLinkEntry)) ++notArrived;
            return;
        }
        bool folder = IsDirectory(found);
        if (folder) {
            if (PathIsSystemFolderW(sourcePath, 0)) return;
            CreateDirectoryPath(targetPath);
            if (!PathIsDirectoryW(targetPath)) {
                ++notArrived;
                return;
            }
        }
        if (!visit(sourcePath, targetPath, folder ? kFolderEntry : kFileEntry)) ++notArrived;
    });
    if (missed) *missed += notArrived;
    return listed ? 1 : 0;
}

}  // namespace

int MoveFolderContents(const wchar_t* source, const wchar_t* target) {
    return TransferContents(source, target, nullptr,
                            [](const wchar_t* sourcePath, const wchar_t* targetPath, TEntryKind kind) {
        if (kind == kLinkEntry) return MoveLinkItself(sourcePath, targetPath);
        if (kind == kFolderEntry) {
            MoveFolderContents(sourcePath, targetPath);
            // A subfolder that still holds something stays with it.
            return RemoveDirectoryW(sourcePath) != FALSE;
        }
        if (MoveFileWhole(sourcePath, targetPath)) return true;
        // Trying first spares a look-up of every new name, which Wine makes
        // by reading the whole target folder.
        return PathFileExistsW(targetPath) && ClearFileTarget(targetPath) && MoveFileWhole(sourcePath, targetPath);
    });
}

int CopyFolderContents(const wchar_t* source, const wchar_t* target, int overwrite, int* missed) {
    return TransferContents(source, target, missed, [overwrite, missed](const wchar_t* sourcePath,
                                                                        const wchar_t* targetPath, TEntryKind kind) {
        if (kind == kLinkEntry) return false;
        if (kind == kFolderEntry) return CopyFolderContents(sourcePath, targetPath, overwrite, missed) != 0;
        if (CopyFileWhole(sourcePath, targetPath)) return true;
        // A file kept by the overwrite flag was not to arrive.
        if (!PathFileExistsW(targetPath)) return false;
        if (overwrite != 1) return true;
        return ClearFileTarget(targetPath) && CopyFileWhole(sourcePath, targetPath);
    });
}

bool MoveFolderInto(const wchar_t* source, const wchar_t* target) {
    if (IsLinkPath(source)) return MoveLinkItself(source, target);
    CreateDirectoryW(target, nullptr);
    // Without its target even an empty source would count as moved once removed.
    if (PathIsDirectoryW(target) != FILE_ATTRIBUTE_DIRECTORY) return false;
    MoveFolderContents(source, target);
    return RemoveDirectoryW(source) != FALSE;
}

bool CopyFolderInto(const wchar_t* source, const wchar_t* target, int overwrite) {
    if (IsLinkPath(source)) return false;
    bool existed = PathFileExistsW(target) != FALSE;
    CreateDirectoryW(target, nullptr);
    if (PathIsDirectoryW(target) != FILE_ATTRIBUTE_DIRECTORY) return false;
    int missed = 0;
    bool whole = CopyFolderContents(source, target, overwrite, &missed) != 0 && missed == 0;
    // A part copy of a folder would pass for the whole one; what went in
    // are copies, the source keeps every file.
    if (!whole && !existed && DeleteFolderContents(target, 0)) RemoveDirectoryW(target);
    return whole;
}

bool DeleteFolderContents(const wchar_t* folder, int recycle) {
    bool refused = false;
    ForEachFolderEntry(folder, [folder, recycle, &refused](const WIN32_FIND_DATAW& found) {
        // One No of the user's ends the walk, not one file.
        if (refused) return;
        wchar_t path[kPathChars];
        // An entry whose path does not fit is left alone rather than cut.
        if (!PathCombineW(path, folder, found.cFileName)) return;
        if (PathIsSystemFolderW(path, 0)) return;
        if (IsLink(found)) {
            RemoveLinkItself(path);
        } else if (IsDirectory(found)) {
            refused = !DeleteFolderContents(path, recycle);
            if (!refused) RemoveDirectoryW(path);
        } else if (recycle != 1) {
            DeleteFileW(path);
        } else if (PathFileExistsW(path)) {
            refused = ShellDeleteItem(path, true) == kShellRefused;
        }
    });
    return !refused;
}
