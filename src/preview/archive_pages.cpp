#include "preview/archive_pages.h"

#include <shlwapi.h>
#include <unzip.h>

#include <cstring>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "preview/frame_rect.h"
#include "preview/preview_state.h"
#include "thumbnails/renderers/ansi_text.h"
#include "thumbnails/renderers/archive_thumbnail.h"
#include "thumbnails/renderers/exif_orientation.h"
#include "thumbnails/renderers/font_sample.h"
#include "thumbnails/renderers/image_decoding.h"
#include "thumbnails/renderers/mp3_info.h"
#include "thumbnails/tiles.h"

namespace {

const char* const kSkippedZipExtensions[] = {".swf", ".zip", ".7z", ".rar", ".cab", ".lzh"};

bool ExtensionIs(const wchar_t* path, const wchar_t* extension) {
    return lstrcmpiW(PathFindExtensionW(path), extension) == 0;
}

std::wstring TempWorkFolder() {
    wchar_t temp[MAX_PATH] = L"";
    wchar_t folder[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    if (!PathCombineW(folder, temp, L"Zuv")) return L"";
    CreateDirectoryW(folder, nullptr);
    return folder;
}

// The MP3 cover, else the font sample, of an extracted entry.
HBITMAP CoverOrFontSample(const std::wstring& file, int width, int height, int pointSize, const wchar_t* sampleJp,
                          const wchar_t* sampleEn) {
    wchar_t path[MAX_PATH];
    lstrcpynW(path, file.c_str(), MAX_PATH);
    wchar_t title[kMp3TitleChars] = L"";
    HBITMAP picture = ReadMp3Info(path, title);
    if (picture) return picture;
    if (width <= 0 || height <= 0 || width > kMaxCanvasSide || height > kMaxCanvasSide) return nullptr;
    lstrcpynW(path, file.c_str(), MAX_PATH);
    wchar_t face[kFaceNameChars] = L"";
    int faceIndex = 0;  // a collection in an archive shows its first member
    return RenderFontSample(path, width, height, pointSize, sampleJp, sampleEn, 0, face, &faceIndex);
}

const size_t kZipNameBytes = MAX_PATH * 2;

// The current entry's name and sizes; false when they cannot be read. A
// name that does not fit is given as empty: minizip leaves it unterminated,
// and cut it would end in another extension.
bool CurrentZipEntry(unzFile zip, char (&name)[kZipNameBytes], unz_file_info64* info) {
    if (unzGetCurrentFileInfo64(zip, info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    name[info->size_filename < sizeof(name) ? info->size_filename : 0] = '\0';
    return true;
}

// Walks the ZIP's entries from the first, numbering the displayable ones;
// stops on the one numbered `target` (true) or at the end (false). With
// target -1 it only counts them into *count.
bool WalkZipEntries(unzFile zip, int maxBytes, int target, int* count) {
    *count = 0;
    if (unzGoToFirstFile(zip) != UNZ_OK) return false;
    do {
        unz_file_info64 info;
        char name[kZipNameBytes];
        if (!CurrentZipEntry(zip, name, &info)) return false;
        if (*name && IsDisplayableZipEntry(name, info.uncompressed_size, maxBytes)) {
            if (*count == target) return true;
            ++*count;
        }
    } while (unzGoToNextFile(zip) == UNZ_OK);
    return false;
}

// The current entry written to `file` unless a file of that name is there.
bool ExtractCurrentZipEntry(unzFile zip, const wchar_t* file) {
    if (GetFileAttributesW(file) != INVALID_FILE_ATTRIBUTES) return true;
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    if (info.uncompressed_size > 0x7fffffffu) return false;
    std::vector<char> bytes;
    try {
        bytes.resize(static_cast<size_t>(info.uncompressed_size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
    int read = bytes.empty() ? 0 : unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
    unzCloseCurrentFile(zip);
    if (read < 0 || static_cast<size_t>(read) != bytes.size()) return false;
    HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(out);
    return ok && written == bytes.size();
}

STARTUPINFOW HiddenStartup() {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    return startup;
}

// Runs the archiver with the listing written to `listing`; false when it
// cannot be started.
bool ListArchive(const TWorkerParams* params, const wchar_t* path, const std::wstring& listing) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    // Read sharing too: a console host started with the archiver can hold
    // its inherited copy a little longer than the archiver runs.
    HANDLE out = CreateFileW(listing.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    // Standard input at its end: an archive whose names are encrypted makes
    // the archiver ask for the password, and it would wait for one forever.
    HANDLE none = OpenEmptyInput();
    STARTUPINFOW startup = HiddenStartup();
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    startup.hStdInput = none == INVALID_HANDLE_VALUE ? nullptr : none;
    // Quoted, unlike a bare path: the archiver's usual folder has a blank.
    std::wstring command = L"\"" + std::wstring(params->sevenZipPath) + L"\" l \"" + path + L"\" -slt -ba";
    bool started = RunArchiver(command, startup, true, CREATE_NO_WINDOW, 10);
    if (none != INVALID_HANDLE_VALUE) CloseHandle(none);
    CloseHandle(out);
    return started;
}

struct TListedEntry {
    std::wstring name;
    long long size;
};

std::vector<TListedEntry> ReadListing(const std::wstring& listing) {
    std::vector<TListedEntry> entries;
    // Write and delete sharing: the console host may still hold the
    // archiver's copy of the handle.
    HANDLE file = CreateFileW(listing.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return entries;
    bool read = false;
    std::vector<BYTE> bytes = ReadWholeOpenFile(file, &read);
    CloseHandle(file);
    UINT codePage = UserAnsiCodePage();
    size_t pos = 0;
    TListedEntry entry;
    while (read && NextListedMember(bytes.data(), bytes.size(), &pos, codePage, &entry.name, &entry.size)) {
        entries.push_back(entry);
    }
    return entries;
}

bool archivePageRunning = false;

}  // namespace

bool IsDisplayableZipEntry(const char* name, uint64_t size, int maxBytes) {
    size_t length = strlen(name);
    if (length > 2 && name[length - 1] == '/') return false;
    if (maxBytes < 0 || size > static_cast<uint64_t>(maxBytes)) return false;
    const char* slash = strrchr(name, '/');
    const char* extension = PathFindExtensionA(slash ? slash + 1 : name);
    for (const char* skipped : kSkippedZipExtensions) {
        if (lstrcmpiA(extension, skipped) == 0) return false;
    }
    return true;
}

int ClampPreviewPage(int page, int count) {
    if (page < 0) page = 0;
    if (page >= count) page = count - 1;
    return page;
}

void LoadZipPreviewPage(const wchar_t* path, const TWorkerParams* params, HBITMAP* slot, int* page) {
    if (*slot) DeleteObject(*slot);
    *slot = nullptr;
    std::string archive = ThreadAnsiText(path);
    std::wstring folder = TempWorkFolder();
    if (archive.empty() || folder.empty()) return;

    unzFile zip = unzOpen(archive.c_str());
    if (!zip) return;
    int count = 0;
    WalkZipEntries(zip, params->maxBytes, -1, &count);
    *page = ClampPreviewPage(*page, count);
    int number = 0;
    if (*page >= 0 && WalkZipEntries(zip, params->maxBytes, *page, &number)) {
        char name[kZipNameBytes];
        unz_file_info64 info;
        std::wstring fileName = CurrentZipEntry(zip, name, &info) ? WideFromThreadAnsi(FlatMemberName(name)) : L"";
        wchar_t file[MAX_PATH] = L"";
        if (!fileName.empty() && MemberPathInFolder(folder.c_str(), fileName, file) &&
            ExtractCurrentZipEntry(zip, file)) {
            std::wstring wide = file;
            HBITMAP picture = LoadImageFile(wide.c_str());
            int alpha = 0;
            if (picture) {
                if (ExtensionIs(wide.c_str(), L".jpg") || ExtensionIs(wide.c_str(), L".jpeg")) {
                    picture = ApplyExifOrientation(params->mainWindow, wide, picture);
                }
                if (picture && (ExtensionIs(wide.c_str(), L".png") || ExtensionIs(wide.c_str(), L".gif") ||
                                ExtensionIs(wide.c_str(), L".webp"))) {
                    PremultiplyAlpha(picture);
                    alpha = 1;
                }
            } else {
                picture = CoverOrFontSample(wide, params->iconSize, params->iconSize, params->fontSize,
                                            params->fontStrJp, params->fontStrEn);
            }
            *slot = picture;
            if (picture) previewAlpha = alpha;
            DeleteFileW(file);
        }
    }
    unzClose(zip);
}

void LoadArchivePreviewPage(const wchar_t* path, const TWorkerParams* params, HBITMAP* slot, HWND preview,
                            int* page) {
    // The listing file and the extracted names are shared: a call from the
    // messages dispatched while the archiver runs would overwrite them.
    if (archivePageRunning) return;
    archivePageRunning = true;
    std::wstring folder = TempWorkFolder();
    std::wstring listing = folder + L"\\Zuv.txt";
    HBITMAP picture = nullptr;
    int alpha = 0;
    if (!folder.empty() && ListArchive(params, path, listing)) {
        std::vector<TListedEntry> entries = ReadListing(listing);
        *page = ClampPreviewPage(*page, static_cast<int>(entries.size()));
        std::vector<std::wstring> names;
        for (const TListedEntry& entry : entries) names.push_back(entry.name);
        std::set<std::wstring> repeated = RepeatedMemberNames(names);
        for (size_t i = *page < 0 ? entries.size() : static_cast<size_t>(*page); i < entries.size() && !picture;
             ++i) {
            const TListedEntry& entry = entries[i];
            // Size 0 passes folders over too, whose extraction would bring
            // out everything beneath them whatever its size.
            if (entry.size > params->maxBytes || entry.size <= 0) continue;
            wchar_t member[MAX_PATH];
            if (!MemberPathInFolder(folder.c_str(), entry.name, member) || repeated.count(FoldedName(entry.name))) {
                continue;
            }
            std::wstring file = member;
            if (GetFileAttributesW(member) == INVALID_FILE_ATTRIBUTES &&
                !ExtractListedMember(params->sevenZipPath, path, folder.c_str(), entry.name.c_str())) {
                break;
            }
            // A nested archive stays extracted; it is not shown.
            if (IsNestedArchive(file.c_str())) continue;
            picture = LoadImageFile(file.c_str());
            alpha = 0;
            if (picture) {
                picture = ApplyExifOrientation(params->mainWindow, file, picture);
                PremultiplyAlpha(picture);
                alpha = picture ? 1 : 0;
            } else {
                RECT client = {};
                GetClientRect(preview, &client);
                picture = CoverOrFontSample(file, client.right, client.bottom, params->fontSize, params->fontTextJp,
                                            params->fontTextEn);
            }
            DeleteFileW(file.c_str());
        }
    }
    // Also after a listing that was given up on.
    if (!folder.empty()) DeleteFileW(listing.c_str());
    if (picture) {
        HBITMAP copy = static_cast<HBITMAP>(CopyImage(picture, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        DeleteObject(picture);
        if (copy) {
            if (*slot) DeleteObject(*slot);
            *slot = copy;
            previewAlpha = alpha;
        }
    }
    archivePageRunning = false;
}

