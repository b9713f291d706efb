#include "fileops/selection_delete.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>
#include <strsafe.h>

#include <string>

#include "fileops/folder_helpers.h"
#include "fileops/selection_walk.h"
#include "shell/main_state.h"
#include "thumbnails/cache_files.h"

namespace {

constexpr int kLastTrashNumber = 99;

// "Zuv_DUST" at the root of the current folder's drive, or of its share.
bool TrashFolderPath(wchar_t trash[kPathChars]) {
    wchar_t root[kPathChars];
    lstrcpynW(root, currentDir, kPathChars);
    if (!PathStripToRootW(root)) return false;
    return PathCombineW(trash, root, L"Zuv_DUST") != nullptr;
}

// The first free name for `name` in the trash folder: its own, else the
// numbered ones 01 to 99. False when all are taken or do not fit.
bool FreeTrashName(const wchar_t* trash, const wchar_t* name, wchar_t target[kPathChars]) {
    if (PathCombineW(target, trash, name) && !PathFileExistsW(target)) return true;
    const wchar_t* extension = PathFindExtensionW(name);
    std::wstring stem(name, extension);
    for (int number = 1; number <= kLastTrashNumber; ++number) {
        if (SUCCEEDED(StringCchPrintfW(target, kPathChars, L"%s\\%s_%02d%s", trash, stem.c_str(), number, extension)) &&
            !PathFileExistsW(target)) {
            return true;
        }
    }
    return false;
}

bool MoveIntoTrash(const wchar_t* source, const wchar_t* target) {
    // A folder cannot go into itself (the trash folder trashed from the root).
    if (PathIsSameOrInside(target, source)) return false;
    if (PathIsDirectoryW(source)) return MovePathItself(source, target);
    return MoveFileWhole(source, target);
}

TShellDelete DeleteItemPath(const wchar_t* path, int recycle) {
    if (!PathFileExistsW(path)) return kShellDeleted;
    return ShellDeleteItem(path, recycle == 1);
}

}  // namespace

int DeletePath(const wchar_t* path, int recycle) {
    return DeleteItemPath(path, recycle) == kShellDeleted ? 1 : 0;
}

void DeleteSelection(HWND owner, int recycle, const TSelection& items) {
    if (items.empty()) return;
    const wchar_t* question = recycle == 1 ? L"ファイルをゴミ箱に移動します。\nよろしいですか？"
                                           : L"ファイルを完全に削除します。\nよろしいですか？";
    if (MessageBoxW(owner, question, L"Zuv", MB_ICONWARNING | MB_OKCANCEL) != IDOK) return;
    ForEachItem(items, [owner, recycle](const wchar_t* name, const wchar_t* path) {
        // A link goes itself; what it points to is not the user's to delete here.
        bool link = path && IsLinkPath(path);
        if (!link && path && PathIsDirectoryW(path) == FILE_ATTRIBUTE_DIRECTORY) {
            // Folders are emptied into the recycle bin in both modes; the
            // caller lists the folder again to show what is left (all the
            // rest after a No to the shell's question).
            if (DeleteFolderContents(path, 1)) RemoveDirectoryW(path);
            return kNextItem;
        }
        TShellDelete result = !path ? kShellFailed
                              : link ? (RemoveLinkItself(path) ? kShellDeleted : kShellFailed)
                                     : DeleteItemPath(path, recycle);
        if (result == kShellDeleted) {
            DeleteCacheEntries(path);
            return kItemRemoved;
        }
        // The user kept this item; the others are still to be deleted.
        if (result == kShellRefused) return kNextItem;
        std::wstring text = std::wstring(name) + L" の削除に失敗しました。\n処理を続けますか？";
        return MessageBoxW(owner, text.c_str(), L"Zuv", MB_ICONWARNING | MB_YESNO) == IDYES ? kNextItem : kEndRun;
    });
}

void MoveSelectionToTrashFolder(const TSelection& items) {
    if (items.empty()) return;
    wchar_t trash[kPathChars];
    if (!TrashFolderPath(trash)) return;
    if (!PathFileExistsW(trash)) CreateDirectoryW(trash, nullptr);
    ForEachItem(items, [&trash](const wchar_t* name, const wchar_t* source) {
        wchar_t target[kPathChars];
        if (!source || !FreeTrashName(trash, name, target) || !MoveIntoTrash(source, target)) return kNextItem;
        DeleteCacheEntries(source);
        return kItemRemoved;
    });
}
