// What the transfers of files share: the selection's paths, the file list's
// paths, the check that keeps an item from being moved onto itself, and the
// questions and messages of a copy or move.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The full paths of the list view's selected items, in list order; an item
// whose path does not fit in 260 characters is left out.
std::vector<std::wstring> SelectedItemPaths();

// The paths of a file list block (a clipboard CF_HDROP or a drop), in list
// order, whole; empty when the block does not hold a sound list.
std::vector<std::wstring> FileListPaths(HDROP list);

// The parts of one item of a list moved or copied into `folder`: its name
// (the last part of its path) and its target (folder joined with the name).
// False when either does not fit in 260 characters.
bool TransferTarget(const std::wstring& source, const wchar_t* folder, wchar_t* name, wchar_t* target);

// True when the item is already in the target's folder: the two folder parts
// are the same text (case aside), or the source and the target name one
// existing file or folder in whatever form each is written (a short name).
bool IsSameFolderTransfer(const wchar_t* source, const wchar_t* target);

// The questions, answered IDYES, IDNO or (overwrite only) IDCANCEL.
int AskSameFolder(HWND owner, const wchar_t* name);
int AskOverwrite(HWND owner, const wchar_t* name);

// "%s のコピーに失敗しました。" or "%s の移動に失敗しました。".
void ShowTransferFailed(HWND owner, const wchar_t* name, bool move);
