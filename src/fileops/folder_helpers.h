// Helpers on folder contents: walking, creating, copying, moving, emptying.
// They show no message; callers decide what to tell the user.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Cuts `text` at every `delimiter`: a leading delimiter gives an empty first
// part, two adjacent ones an empty part between them, a trailing one no
// empty last part; an empty text gives no parts.
std::vector<std::wstring> SplitString(const std::wstring& text, wchar_t delimiter);

// Calls `visit` for every entry of the folder but "." and "..", in the order
// the file system gives them. False, with no call, when the folder cannot be
// listed or its search pattern does not fit MAX_PATH.
bool ForEachFolderEntry(const wchar_t* folder, const std::function<void(const WIN32_FIND_DATAW&)>& visit);

// Creates every missing level of a folder path, outermost first. For a
// network path the share ("\\server\share") is taken as the first level.
void CreateDirectoryPath(const wchar_t* path);

// Deletes one file or folder through the shell, to the recycle bin or for
// good. Where the recycle bin cannot take it, the shell asks (owned by the
// main window) before deleting it for good; kShellRefused is the user's No.
enum TShellDelete { kShellDeleted, kShellFailed, kShellRefused };
TShellDelete ShellDeleteItem(const wchar_t* path, bool toRecycleBin);
// The same; true when the shell reports success.
bool ShellDeletePath(const wchar_t* path, bool toRecycleBin);
// Sends one file or folder to the recycle bin; true when the shell did so.
bool RecyclePath(const wchar_t* path);

// The canonical form of a path for comparisons: full, with `.` and `..`
// resolved, short names made long as far as the path exists, no trailing
// backslash but at a root. False when it does not fit MAX_PATH.
bool CanonicalPath(const wchar_t* path, wchar_t canonical[MAX_PATH]);
// Whether `path` names `folder` itself or something inside it, whatever form
// either is written in. A path that cannot be made canonical counts as inside,
// so callers refuse rather than risk writing into their own source.
bool PathIsSameOrInside(const wchar_t* path, const wchar_t* folder);

// Whether both paths name one existing file or folder, however each is
// written (another case, a short name, a second drive letter, a link).
bool IsSameFileOrFolder(const wchar_t* a, const wchar_t* b);

// Junctions and symbolic links (entries with FILE_ATTRIBUTE_REPARSE_POINT)
// are items of their own: a walk never enters them, a move or rename moves
// the link itself, a delete removes the link, a copy leaves it out.
bool IsLinkPath(const wchar_t* path);
// Move and remove the link itself, never what it points to. False, with
// nothing done, where the platform reaches only the target through the link
// (Wine follows a Unix symbolic link whatever the flags).
bool MoveLinkItself(const wchar_t* link, const wchar_t* target);
bool RemoveLinkItself(const wchar_t* link);
// MoveFileW for a file, or a folder on its own drive; a link moves itself.
bool MovePathItself(const wchar_t* source, const wchar_t* target);

// Copies one file to a target that does not exist (CopyFileW failing if it
// does). A copy that failed, or came out shorter than its source, is removed:
// no part copy stays under the real name.
bool CopyFileWhole(const wchar_t* source, const wchar_t* target);

// Moves one file, across drives too. A move between drives copies first and
// removes the source only once the copy is complete, and a copy that failed
// leaves no part-written target, so the bytes are always whole in one place.
bool MoveFileWhole(const wchar_t* source, const wchar_t* target);

// Move and copy the contents of `source` into the existing folder `target`,
// recursively, merging with what it holds. A move replaces an existing file
// only after recycling it; a copy does so only with `overwrite` 1 and keeps
// it otherwise. Read-only and system sub-folders stay behind. Entries whose
// paths do not fit MAX_PATH stay where they are. A link entry is moved
// itself, and left out of a copy. Result: 0 when the source cannot be
// listed, is a link, or the target is the source or lies inside it (nothing
// is changed then), else 1; failures of single entries are not reported.
int MoveFolderContents(const wchar_t* source, const wchar_t* target);
// `missed`, when given, is raised by the number of entries that did not
// arrive: a file that could not be copied, a folder that could not be made,
// a link left out.
int CopyFolderContents(const wchar_t* source, const wchar_t* target, int overwrite, int* missed = nullptr);

// Copies a folder into `target`, made (one level) when missing, merging with
// what it holds. True only when every entry arrived (those the overwrite
// flag keeps count as arrived; a link counts as not). A target made here
// that did not receive everything is removed again.
bool CopyFolderInto(const wchar_t* source, const wchar_t* target, int overwrite);

// Moves a folder by merging its contents into `target`, made (one level)
// when missing; a link to a folder moves itself. Done only when the target
// is a folder and the emptied source could be removed; else what moved stays
// moved and the source keeps the rest.
bool MoveFolderInto(const wchar_t* source, const wchar_t* target);

// Empties a folder recursively: files go to the recycle bin when `recycle`
// is 1, else they are deleted for good; emptied sub-folders are removed, and
// links are removed themselves (where the platform can), never entered.
// Read-only and system sub-folders are left alone; the folder itself stays.
// False when the user refused the shell's question to delete a file for
// good: the walk ends there and the rest stays.
bool DeleteFolderContents(const wchar_t* folder, int recycle);
