// What the transfers of files share: the selection's paths, the file list's
// paths, the check that keeps an item from being moved onto itself, and the
// questions and messages of a copy or move.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "fileops/selection_walk.h"

// The full paths of the list view's selected items, in list order; an item
// whose path does not fit in 260 characters is left out.
std::vector<std::wstring> SelectedItemPaths();

// The paths of a file list block (a clipboard CF_HDROP or a drop), in list
// order, whole, empty paths left out; none when the block does not hold a
// sound list.
std::vector<std::wstring> FileListPaths(HDROP list);

// The checks an item of a file list passes before anything is written for
// it, moved (or copied) into `folder`. A source that is gone (a cut pasted
// before) or whose target does not fit is reported, and the item of its name
// in the folder is not offered for replacing; an item that is in the folder
// already, by whatever spelling, gets the same-folder question (kNextItem
// after Yes, kEndRun after No); a folder is not put into itself. kGoOn when
// the item may go, with its name and target filled in.
TItemStep CheckListItem(HWND owner, const std::wstring& source, const wchar_t* folder, bool move, wchar_t* name,
                        wchar_t* target);

// The questions, answered IDYES, IDNO or (overwrite only) IDCANCEL.
int AskSameFolder(HWND owner, const wchar_t* name);
int AskOverwrite(HWND owner, const wchar_t* name);

// "%s のコピーに失敗しました。" or "%s の移動に失敗しました。".
void ShowTransferFailed(HWND owner, const wchar_t* name, bool move);
