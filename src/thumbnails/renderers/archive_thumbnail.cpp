#include "thumbnails/renderers/archive_thumbnail.h"

#include <shlwapi.h>
#include <unzip.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <new>
#include <set>
#include <vector>

#include "fileops/folder_helpers.h"
#include "shell/main_state.h"
#include "thumbnails/renderers/ansi_text.h"
#include "thumbnails/renderers/exif_orientation.h"
#include "thumbnails/renderers/font_sample.h"
#include "thumbnails/renderers/image_decoding.h"
#include "thumbnails/renderers/mp3_info.h"
#include "thumbnails/thumbnail_worker.h"
#include "thumbnails/tiles.h"

namespace {

constexpr int kPath = 260;
// The ANSI form of a ZIP archive's path.
constexpr int kAnsiArchivePath = 272;

bool ExtensionIn(const wchar_t* path, std::initializer_list<const wchar_t*> extensions) {
    const wchar_t* extension = PathFindExtensionW(path);
    for (const wchar_t* candidate : extensions) {
        if (_wcsicmp(extension, candidate) == 0) return true;
    }
    return false;
}

// Removes a call's folder whatever the archiver left in it: nested
// archives, member folders, read-only members. Links are removed, never
// followed.
void RemoveWorkTree(const wchar_t* folder) {
    ForEachFolderEntry(folder, [folder](const WIN32_FIND_DATAW& found) {
        wchar_t path[kPath];
        if (!PathCombineW(path, folder, found.cFileName)) return;
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (isFolder && !isLink) RemoveWorkTree(path);
        if (isFolder) {
            RemoveDirectoryW(path);
        } else {
            DeleteFileW(path);
        }
    });
}

// The calling thread's work folder, made with the temporary work folder
// around it when missing.
bool BeginWorkFolder(wchar_t* folder) {
    if (!ArchiveWorkFolder(GetCurrentThreadId(), folder)) return false;
    wchar_t base[kPath];
    lstrcpynW(base, folder, kPath);
    PathRemoveFileSpecW(base);
    CreateDirectoryW(base, nullptr);
    CreateDirectoryW(folder, nullptr);
    return PathIsDirectoryW(folder) != FALSE;
}

void EndWorkFolder(const wchar_t* folder) {
    RemoveWorkTree(folder);
    RemoveDirectoryW(folder);
}

// Tries the member renderers in order on an extracted member. *alpha is 1
// for a premultiplied picture, which the tile blends, else 0.
HBITMAP RenderMember(const wchar_t* memberPath, TWorkerParams* params, bool turn, bool premultiply, int* faceIndex,
                     int* alpha) {
    *alpha = 0;
    HBITMAP picture = LoadImageFile(memberPath);
    if (picture) {
        if (turn) picture = ApplyExifOrientation(params->mainWindow, memberPath, picture);
        if (premultiply && picture) {
            PremultiplyAlpha(picture);
            *alpha = 1;
        }
        return picture;
    }
    // Both renderers may change the path in place.
    wchar_t path[kPath];
    lstrcpynW(path, memberPath, kPath);
    wchar_t title[kMp3TitleChars] = L"";
    picture = ReadMp3Info(path, title);
    if (picture) return picture;
    lstrcpynW(path, memberPath, kPath);
    wchar_t faceName[kFaceNameChars] = L"";
    int size = params->iconSize;
    return RenderFontSample(path, size, size, params->fontSize, params->fontStrJp, params->fontStrEn, 1, faceName,
                            faceIndex);
}

void StoreCopy(HBITMAP picture, int pictureAlpha, HBITMAP* slot, int* alpha) {
    if (!picture) return;
    *slot = static_cast<HBITMAP>(CopyImage(picture, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (alpha && *slot) *alpha = pictureAlpha;
    DeleteObject(picture);
}

// ---- ZIP ----

// A path that minizip opens by its narrow name; false when it does not fit
// or does not convert exactly.
bool ToThreadAnsi(const wchar_t* path, char* out, int outBytes) {
    std::string ansi = ThreadAnsiText(path);
    if (ansi.empty() || ansi.size() >= static_cast<size_t>(outBytes)) return false;
    memcpy(out, ansi.c_str(), ansi.size() + 1);
    return true;
}

// Reads up to `size` bytes of the open member; a read that ends early
// keeps what it delivered. Returns the count read.
int ReadCurrentMember(unzFile zip, char* buffer, int size) {
    int done = 0;
    while (done < size) {
        int got = unzReadCurrentFile(zip, buffer + done, static_cast<unsigned>(size - done));
        if (got <= 0) break;
        done += got;
    }
    return done;
}

void WriteNewFile(const wchar_t* path, const char* bytes, int count) {
    // CREATE_NEW: a file of that name that is already there is what gets
    // rendered, and is never overwritten.
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (count > 0) WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr);
    CloseHandle(file);
}

// The current member's picture, or null when it is passed over or renders
// nothing.
HBITMAP TryZipMember(unzFile zip, const wchar_t* folder, TWorkerParams* params, int* faceIndex, int* alpha) {
    char name[kPath];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK) return nullptr;
    // A longer name is not terminated in the buffer, and cut it would end
    // in another extension.
    if (info.size_filename >= sizeof(name)) return nullptr;
    name[info.size_filename] = '\0';

    size_t length = std::strlen(name);
    if (length > 0 && name[length - 1] == '/') return nullptr;  // a folder
    int maxBytes = params->maxBytes;
    // Sizes are compared in 64 bits: a declared 2 GiB or more must not turn
    // negative and pass.
    if (info.uncompressed_size > static_cast<ZPOS64_T>(INT_MAX) ||
        static_cast<long long>(info.uncompressed_size) > maxBytes) {
        return nullptr;
    }
    std::string flat = FlatMemberName(name);
    if (flat.empty()) return nullptr;
    wchar_t flatWide[kPath];
    if (MultiByteToWideChar(CP_THREAD_ACP, 0, flat.c_str(), -1, flatWide, kPath) == 0) return nullptr;
    wchar_t memberPath[kPath];
    if (!MemberPathInFolder(folder, flatWide, memberPath)) return nullptr;
    if (ExtensionIn(memberPath, {L".swf"}) || IsNestedArchive(memberPath)) return nullptr;

    // The whole member in memory; a size that cannot be had passes it over.
    int size = static_cast<int>(info.uncompressed_size);
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
    if (!buffer) return nullptr;
    int read = -1;
    if (unzOpenCurrentFile(zip) == UNZ_OK) {
        read = ReadCurrentMember(zip, buffer, size);
        unzCloseCurrentFile(zip);
    }
    if (read >= 0 && !PathFileExistsW(memberPath)) WriteNewFile(memberPath, buffer, read);
    std::free(buffer);
    if (read < 0) return nullptr;

    bool turn = ExtensionIn(memberPath, {L".jpg", L".jpeg"});
    bool premultiply = ExtensionIn(memberPath, {L".png", L".gif", L".webp"});
    HBITMAP picture = RenderMember(memberPath, params, turn, premultiply, faceIndex, alpha);
    DeleteFileW(memberPath);
    return picture;
}

// ---- 7z family ----

// False when a quit came first: the program is ending, and nobody waits.
bool WaitPumpingMessages(HANDLE object, DWORD slice) {
    for (;;) {
        if (!PumpMessages()) return false;
        DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, slice, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED) return true;
    }
}

std::wstring Format(const wchar_t* format, std::initializer_list<const wchar_t*> values) {
    std::wstring out;
    auto value = values.begin();
    for (const wchar_t* c = format; *c; ++c) {
        if (c[0] == L'%' && c[1] == L's' && value != values.end()) {
            out += *value++;
            ++c;
        } else {
            out += *c;
        }
    }
    return out;
}

}  // namespace

std::vector<BYTE> ReadWholeOpenFile(HANDLE file, bool* ok) {
    std::vector<BYTE> bytes;
    *ok = false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > INT_MAX) return bytes;
    try {
        bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return bytes;
    }
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return bytes;
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) || got == 0) {
            break;
        }
        done += got;
    }
    bytes.resize(done);
    *ok = true;
    return bytes;
}

UINT UserAnsiCodePage() {
    UINT codePage = 0;
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<wchar_t*>(&codePage), sizeof(codePage) / sizeof(wchar_t)) == 0 ||
        codePage == 0) {
        codePage = CP_ACP;
    }
    return codePage;
}

bool IsNestedArchive(const wchar_t* path) {
    return ExtensionIn(path, {L".zip", L".7z", L".rar", L".cab", L".lzh"});
}

std::wstring MemberExtractionCommand(const wchar_t* archiver, const wchar_t* archive, const wchar_t* folder,
                                     const wchar_t* name) {
    // The full member path without recursion: "-ir!" would match the name
    // in every folder and bring out members of any size along with it.
    return Format(L"\"%s\" x \"%s\" -o\"%s\" -i!\"%s\" -r-", {archiver, archive, folder, name});
}

bool ExtractListedMember(const wchar_t* archiver, const wchar_t* archive, const wchar_t* folder,
                         const wchar_t* name) {
    // Standard input at its end and no window: for an archive whose data is
    // encrypted the archiver asks for the password. Without an input of its
    // own it reads the console it is given, which from a program without a
    // console is a new one that nobody types into. The extraction writes
    // nothing anyone reads.
    HANDLE none = OpenEmptyInput();
    if (none == INVALID_HANDLE_VALUE) return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = none;
    bool started = RunArchiver(MemberExtractionCommand(archiver, archive, folder, name), startup, true,
                               NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW, 100);
    CloseHandle(none);
    return started;
}

HANDLE OpenEmptyInput() {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    return CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool RunArchiver(std::wstring commandLine, const STARTUPINFOW& startup, bool inherit, DWORD flags, DWORD slice) {
    STARTUPINFOW info = startup;
    PROCESS_INFORMATION process = {};
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    SECURITY_ATTRIBUTES* attributes = inherit ? &inheritable : nullptr;
    if (!CreateProcessW(nullptr, &commandLine[0], attributes, attributes, inherit ? TRUE : FALSE, flags, nullptr,
                        nullptr, &info, &process)) {
        return false;
    }
    // The process, not its main thread: only once the process has ended has
    // it let go of the list file.
    bool ended = WaitPumpingMessages(process.hProcess, slice);
    if (!ended) {
        // Nothing may go on writing into the work folder that the closing
        // program removes.
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 1000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

bool ArchiveWorkFolder(DWORD threadId, wchar_t* folder) {
    wchar_t temp[kPath] = L"";
    DWORD length = GetTempPathW(kPath, temp);
    if (length == 0 || length >= static_cast<DWORD>(kPath)) return false;
    wchar_t base[kPath];
    if (!PathCombineW(base, temp, L"Zuv")) return false;
    wchar_t name[32];
    wsprintfW(name, L"Zuv%lu", threadId);
    // Room for the list file's ".txt" as well.
    return PathCombineW(folder, base, name) && lstrlenW(folder) + 4 < kPath;
}

std::string FlatMemberName(const char* name) {
    const char* last = name;
    for (const char* c = name; *c; ++c) {
        if (*c == '/' || *c == '\\' || *c == ':') last = c + 1;
    }
    std::string flat = last;
    if (flat == "." || flat == "..") flat.clear();
    return flat;
}

namespace {

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 name devices in any
// folder, whatever extension follows; blanks before the dot do not count.
bool IsDeviceName(const std::wstring& step) {
    std::wstring stem = step.substr(0, step.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (_wcsicmp(stem.c_str(), device) == 0) return true;
    }
    return stem.size() == 4 && (_wcsnicmp(stem.c_str(), L"COM", 3) == 0 || _wcsnicmp(stem.c_str(), L"LPT", 3) == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

// Windows drops a step's trailing dots and blanks, and the path helpers take
// steps of dots for climbs: such a step names another place than it reads.
bool IsPlainStep(const std::wstring& step) {
    if (step.empty() || step.find_first_not_of(L". ") == std::wstring::npos) return false;
    if (step.back() == L'.' || step.back() == L' ') return false;
    if (step.compare(0, 2, L"..") == 0) return false;
    return !IsDeviceName(step);
}

}  // namespace

bool IsPlainMemberPath(const std::wstring& name) {
    if (name.empty()) return false;
    for (wchar_t c : name) {
        if (c < 0x20 || std::wcschr(L"/:*?\"<>|", c)) return false;
    }
    size_t start = 0;
    for (;;) {
        size_t end = name.find(L'\\', start);
        if (!IsPlainStep(name.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start))) {
            return false;
        }
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

bool MemberPathInFolder(const wchar_t* folder, const std::wstring& name, wchar_t* memberPath) {
    if (!IsPlainMemberPath(name)) return false;
    wchar_t root[kPath];
    DWORD rootLength = GetFullPathNameW(folder, kPath, root, nullptr);
    if (rootLength == 0 || rootLength + 1 >= static_cast<DWORD>(kPath)) return false;
    if (root[rootLength - 1] != L'\\') {
        root[rootLength++] = L'\\';
        root[rootLength] = L'\0';
    }
    // Joined as text: the path helpers would fold the steps first.
    std::wstring joined = std::wstring(root) + name;
    if (joined.size() >= static_cast<size_t>(kPath)) return false;
    wchar_t full[kPath];
    DWORD length = GetFullPathNameW(joined.c_str(), kPath, full, nullptr);
    if (length == 0 || length >= static_cast<DWORD>(kPath)) return false;
    if (length <= rootLength || _wcsnicmp(full, root, rootLength) != 0) return false;
    lstrcpynW(memberPath, full, kPath);
    return true;
}

std::wstring FoldedName(const std::wstring& name) {
    std::wstring folded = name;
    if (!folded.empty()) CharUpperBuffW(&folded[0], static_cast<DWORD>(folded.size()));
    return folded;
}

std::set<std::wstring> RepeatedMemberNames(const std::vector<std::wstring>& names) {
    std::set<std::wstring> seen, repeated;
    for (const std::wstring& name : names) {
        std::wstring folded = FoldedName(name);
        if (!seen.insert(folded).second) repeated.insert(folded);
    }
    return repeated;
}

bool NextListedMember(const BYTE* data, size_t size, size_t* pos, UINT codePage, std::wstring* name,
                      long long* memberSize) {
    // One line from *pos: [begin, end) without its line break.
    auto nextLine = [&](size_t* begin, size_t* end) {
        if (*pos >= size) return false;
        *begin = *pos;
        const void* feed = std::memchr(data + *pos, '\n', size - *pos);
        size_t stop = feed ? static_cast<size_t>(static_cast<const BYTE*>(feed) - data) : size;
        *pos = feed ? stop + 1 : size;
        *end = stop;
        if (*end > *begin && data[*end - 1] == '\r') --*end;
        return true;
    };
    // ASCII never stands inside a multi-byte character at a line's start, so
    // the keys are matched as bytes.
    auto startsWith = [&](size_t begin, size_t end, const char* key) {
        size_t keyLength = std::strlen(key);
        return end - begin >= keyLength && _strnicmp(reinterpret_cast<const char*>(data + begin), key, keyLength) == 0;
    };

    size_t begin = 0, end = 0;
    for (;;) {
        if (!nextLine(&begin, &end)) return false;
        if (startsWith(begin, end, "Path = ")) break;
    }
    begin += 7;
    name->clear();
    if (end > begin) {
        int chars = MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(data + begin),
                                        static_cast<int>(end - begin), nullptr, 0);
        if (chars > 0) {
            name->resize(chars);
            MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(data + begin),
                                static_cast<int>(end - begin), &(*name)[0], chars);
        }
    }
    for (;;) {
        if (!nextLine(&begin, &end)) return false;
        if (startsWith(begin, end, "Size = ")) break;
    }
    size_t at = begin + 7;
    while (at < end && (data[at] == ' ' || data[at] == '\t')) ++at;
    bool negative = false;
    if (at < end && (data[at] == '-' || data[at] == '+')) negative = data[at++] == '-';
    long long value = 0;
    for (; at < end && data[at] >= '0' && data[at] <= '9'; ++at) {
        int digit = data[at] - '0';
        value = value > (LLONG_MAX - digit) / 10 ? LLONG_MAX : value * 10 + digit;
    }
    *memberSize = negative ? -value : value;
    return true;
}

void MakeZipThumbnail(const wchar_t* path, TWorkerParams* params, HBITMAP* slot, int* alpha) {
    char ansiPath[kAnsiArchivePath];
    if (!path || !ToThreadAnsi(path, ansiPath, kAnsiArchivePath)) return;
    wchar_t folder[kPath];
    if (!BeginWorkFolder(folder)) return;
    unzFile zip = unzOpen(ansiPath);
    if (!zip) {
        EndWorkFolder(folder);
        return;
    }
    HBITMAP picture = nullptr;
    int pictureAlpha = 0;
    int faceIndex = 0;
    unz_global_info global = {};
    if (unzGetGlobalInfo(zip, &global) == UNZ_OK) {
        for (uLong i = 0; i < global.number_entry && !picture; ++i) {
            if (workerStop == 1) break;
            if (i > 0 && unzGoToNextFile(zip) != UNZ_OK) break;
            picture = TryZipMember(zip, folder, params, &faceIndex, &pictureAlpha);
        }
    }
    unzClose(zip);
    EndWorkFolder(folder);
    StoreCopy(picture, pictureAlpha, slot, alpha);
}

void MakeArchiveThumbnail(const wchar_t* path, TWorkerParams* params, HBITMAP* slot, int* alpha) {
    const wchar_t* archiver = params->sevenZipPath;
    if (!path || !archiver || !*archiver) return;
    wchar_t folder[kPath];
    if (!BeginWorkFolder(folder)) return;
    wchar_t listFile[kPath];
    wsprintfW(listFile, L"%s.txt", folder);

    // The archiver's handle of the list file outlives its process for some
    // tens of milliseconds under Wine. The reading handle is therefore
    // opened before the archiver starts, and the file is deleted through it:
    // it goes as soon as the last handle does, without waiting here.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE out = CreateFileW(listFile, GENERIC_WRITE, share, &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        EndWorkFolder(folder);
        return;
    }
    HANDLE in = CreateFileW(listFile, GENERIC_READ | DELETE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);

    // Standard input at its end: an archive whose names are encrypted makes
    // the archiver ask for the password, and without any standard input it
    // waits for one forever under Wine.
    HANDLE none = OpenEmptyInput();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = out;
    startup.hStdInput = none == INVALID_HANDLE_VALUE ? nullptr : none;
    bool listed = in != INVALID_HANDLE_VALUE &&
                  RunArchiver(Format(L"%s l \"%s\" -slt -ba", {archiver, path}), startup, true, CREATE_NO_WINDOW,
                              INFINITE);
    CloseHandle(out);
    if (none != INVALID_HANDLE_VALUE) CloseHandle(none);

    bool read = false;
    std::vector<BYTE> listing;
    if (listed) listing = ReadWholeOpenFile(in, &read);
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (in == INVALID_HANDLE_VALUE ||
        !SetFileInformationByHandle(in, FileDispositionInfo, &disposition, sizeof(disposition))) {
        DeleteFileW(listFile);
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);

    HBITMAP picture = nullptr;
    int pictureAlpha = 0;
    int faceIndex = 0;
    UINT codePage = UserAnsiCodePage();
    size_t pos = 0;
    std::wstring name;
    long long size = 0;
    std::set<std::wstring> repeated;
    if (read) {
        std::vector<std::wstring> names;
        while (NextListedMember(listing.data(), listing.size(), &pos, codePage, &name, &size)) names.push_back(name);
        repeated = RepeatedMemberNames(names);
        pos = 0;
    }
    while (read && !picture) {
        if (workerStop == 1) break;
        if (!NextListedMember(listing.data(), listing.size(), &pos, codePage, &name, &size)) break;
        // Size 0 passes folders over too, whose extraction would bring out
        // everything beneath them whatever its size.
        if (size > params->maxBytes || size <= 0) continue;
        wchar_t memberPath[kPath];
        if (!MemberPathInFolder(folder, name, memberPath) || repeated.count(FoldedName(name))) continue;
        if (!PathFileExistsW(memberPath) && !ExtractListedMember(archiver, path, folder, name.c_str())) break;
        // Nested archives stay where they were extracted until the call ends.
        if (IsNestedArchive(memberPath)) continue;
        picture = RenderMember(memberPath, params, true, true, &faceIndex, &pictureAlpha);
        DeleteFileW(memberPath);
    }
    EndWorkFolder(folder);
    StoreCopy(picture, pictureAlpha, slot, alpha);
}
