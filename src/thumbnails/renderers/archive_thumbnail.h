// Archive thumbnails: the picture of the first member that renders as an
// image, an MP3 cover or a font sample. ZIP archives are read through
// minizip; 7z, RAR, CAB and LZH archives through the external console
// archiver that the "7z.exe" setting names.
#pragma once

#include <windows.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "thumbnails/worker_params.h"

// Each stores a DIB-section copy of the picture in *slot, owned by the
// caller, or leaves the slot as it was; with a picture, *alpha (when given)
// becomes 1 when its colours are premultiplied, so that its tile blends it,
// else 0. Both poll workerStop before every member.
void MakeZipThumbnail(const wchar_t* path, TWorkerParams* params, HBITMAP* slot, int* alpha = nullptr);
void MakeArchiveThumbnail(const wchar_t* path, TWorkerParams* params, HBITMAP* slot, int* alpha = nullptr);

// Where the archive calls made on thread `threadId` extract members: a
// folder of that thread's own inside the temporary work folder ("Zuv"), so
// that two workers never meet on a member name; the archiver's list file is
// this path with ".txt" added. A call makes the folder and removes it with
// everything in it when it ends. False when the path does not fit 260
// characters.
bool ArchiveWorkFolder(DWORD threadId, wchar_t* folder);

// Whether the path names an archive by its extension (".zip", ".7z", ".rar",
// ".cab", ".lzh"): a member that is never shown.
bool IsNestedArchive(const wchar_t* path);

// The part of a ZIP member name after its last "/", "\" or ":" (the whole
// name without them); empty for a name that gives no file name of its own
// (a folder entry, ".", "..").
std::string FlatMemberName(const char* name);

// Whether a listed member path can be extracted under a folder and found
// there again: relative, without empty steps, steps of only dots and blanks,
// steps that end in a dot or a blank or begin with "..", device names (CON,
// NUL, COM1 ...), and without characters that Windows names or the
// archiver's wildcards do not take.
bool IsPlainMemberPath(const std::wstring& name);

// The full path of a member under the folder, when the name is plain and its
// full path (GetFullPathNameW) lies inside the folder; false for any other,
// which is then never opened, written or deleted.
bool MemberPathInFolder(const wchar_t* folder, const std::wstring& name, wchar_t* memberPath);

// The name with its letters in one case, as the archiver and the file
// system compare names.
std::wstring FoldedName(const std::wstring& name);

// The folded names that a listing holds more than once: the archiver's
// extraction of one of them brings out all, whatever their sizes, and they
// meet in one file. Such members are passed over.
std::set<std::wstring> RepeatedMemberNames(const std::vector<std::wstring>& names);

// The next member of an archiver listing in the "-slt" technical format,
// read from byte *pos on: the text after a line's "Path = " (any case), and
// the number after the next line that begins with "Size = ". Names are
// decoded from the given code page. Sizes saturate at the ends of 64 bits;
// text that is no number reads as 0. False when the listing ends before a
// "Path = " line or before its "Size = " line; *pos then stands at the end.
bool NextListedMember(const BYTE* data, size_t size, size_t* pos, UINT codePage, std::wstring* name,
                      long long* memberSize);

// The archiver's command line that extracts one listed member into the
// folder.
std::wstring MemberExtractionCommand(const wchar_t* archiver, const wchar_t* archive, const wchar_t* folder,
                                     const wchar_t* name);

// Extracts one listed member into the folder, with no standard input and
// no window, dispatching messages while the archiver runs; false when it
// cannot start.
bool ExtractListedMember(const wchar_t* archiver, const wchar_t* archive, const wchar_t* folder,
                         const wchar_t* name);

// An inheritable handle of NUL, the archiver's standard input: an input at
// its end, so that a question for a password is answered at once.
HANDLE OpenEmptyInput();

// Starts the archiver's command line with the startup information, handles
// inherited when `inherit`, and waits for the process to end, dispatching
// messages at least every `slice` milliseconds. False when it cannot start,
// or when a WM_QUIT came while it ran: the quit is posted again, the process
// ended, and the caller gives up.
bool RunArchiver(std::wstring commandLine, const STARTUPINFOW& startup, bool inherit, DWORD flags, DWORD slice);

// The whole of an open file from its start; *ok false when it cannot be read
// (larger than 2 GiB, no memory). A read that ends early keeps what came.
std::vector<BYTE> ReadWholeOpenFile(HANDLE file, bool* ok);

// The user's default ANSI code page, which the archiver writes its listing
// in. The listing is decoded with it explicitly, so the process's locale,
// which the text renderer reads lines by, is left alone.
UINT UserAnsiCodePage();
