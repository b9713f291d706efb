#include "fileops/transfer_checks.h"

#include <shlwapi.h>

#include "fileops/file_list_block.h"
#include "fileops/folder_helpers.h"
#include "fileops/selection_walk.h"
#include "shell/folder_listing.h"
#include "shell/main_state.h"

namespace {

void FolderPart(const wchar_t* path, wchar_t* folder) {
    lstrcpynW(folder, path, kPathChars);
    PathRemoveFileSpecW(folder);
}

// The item's name (the last part of its path) and its target in `folder`;
// false when either does not fit in 260 characters.
bool TransferTarget(const std::wstring& source, const wchar_t* folder, wchar_t* name, wchar_t* target) {
    name[0] = 0;
    target[0] = 0;
    // A longer path would be cut to name another item.
    if (source.empty() || source.size() >= static_cast<size_t>(kPathChars)) {
        size_t slash = source.find_last_of(L'\\');
        lstrcpynW(name, source.c_str() + (slash == std::wstring::npos ? 0 : slash + 1), kPathChars);
        return false;
    }
    lstrcpynW(name, source.c_str(), kPathChars);
    PathStripPathW(name);
    return PathCombineW(target, folder, name) != nullptr;
}

// True when the item is already in the target's folder: the two folder parts
// are the same text (case aside), or the source and the target name one
// existing file or folder.
bool IsSameFolderTransfer(const wchar_t* source, const wchar_t* target) {
    wchar_t sourceFolder[kPathChars];
    wchar_t targetFolder[kPathChars];
    FolderPart(source, sourceFolder);
    FolderPart(target, targetFolder);
    return _wcsicmp(sourceFolder, targetFolder) == 0 || IsSameFileOrFolder(source, target);
}

}  // namespace

std::vector<std::wstring> SelectedItemPaths() {
    std::vector<std::wstring> paths;
    ForEachItem(TakeSelection(), [&paths](const wchar_t*, const wchar_t* path) {
        if (path) paths.push_back(path);
        return kNextItem;
    });
    return paths;
}

std::vector<std::wstring> FileListPaths(HDROP list) {
    std::vector<std::wstring> paths;
    HGLOBAL block = reinterpret_cast<HGLOBAL>(list);
    const unsigned char* bytes = static_cast<const unsigned char*>(GlobalLock(block));
    if (!bytes) return paths;
    // The list may come from any program: it is read within its block
    // (DragQueryFileW reads on past a list that begins with an empty path).
    paths = FileListPathsIn(bytes, GlobalSize(block));
    GlobalUnlock(block);
    return paths;
}

TItemStep CheckListItem(HWND owner, const std::wstring& source, const wchar_t* folder, bool move, wchar_t* name,
                        wchar_t* target) {
    if (!TransferTarget(source, folder, name, target) || !PathFileExistsW(source.c_str())) {
        ShowTransferFailed(owner, name, move);
        return kNextItem;
    }
    if (IsSameFolderTransfer(source.c_str(), target)) {
        return AskSameFolder(owner, name) == IDYES ? kNextItem : kEndRun;
    }
    if (IsFolderPath(source.c_str()) && PathIsSameOrInside(folder, source.c_str())) {
        ShowTransferFailed(owner, name, move);
        return kNextItem;
    }
    return kGoOn;
}

int AskSameFolder(HWND owner, const wchar_t* name) {
    std::wstring text = std::wstring(name) + L"\n移動元と移動先が同じです。\n処理を続けますか？";
    return MessageBoxW(owner, text.c_str(), L"Zuv", MB_ICONWARNING | MB_YESNO);
}

int AskOverwrite(HWND owner, const wchar_t* name) {
    std::wstring text = std::wstring(name) + L"\n既に同じ名前のファイルが存在します。\n上書きしますか？";
    return MessageBoxW(owner, text.c_str(), L"Zuv", MB_ICONWARNING | MB_YESNOCANCEL);
}

void ShowTransferFailed(HWND owner, const wchar_t* name, bool move) {
    std::wstring text = std::wstring(name) + (move ? L" の移動に失敗しました。" : L" のコピーに失敗しました。");
    MessageBoxW(owner, text.c_str(), L"Zuv", MB_ICONERROR);
}
