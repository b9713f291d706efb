// clipboard_peer fill EFFECT PATH...  puts a wide file list of the paths on
//                                     the clipboard, with "Preferred
//                                     DropEffect" EFFECT, or none for "-".
// clipboard_peer dump FILE            writes the clipboard's file list block
//                                     to FILE.hdrop and its drop effect
//                                     block to FILE.effect (when there is one).
// Exit status 0 on success, 1 when the clipboard could not be used or holds
// no file list.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

bool OpenClipboardPatiently() {
    // Another program may hold it for a moment.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(20);
    }
    return false;
}

HGLOBAL BlockOf(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    return block;
}

int Fill(const wchar_t* effect, int count, wchar_t** paths) {
    std::vector<unsigned char> list(20, 0);
    list[0] = 20;  // the paths follow the header
    list[16] = 1;  // wide characters
    for (int i = 0; i < count; ++i) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(paths[i]);
        list.insert(list.end(), bytes, bytes + 2 * (wcslen(paths[i]) + 1));
    }
    list.push_back(0);
    list.push_back(0);
    if (!OpenClipboardPatiently()) return 1;
    EmptyClipboard();
    bool ok = SetClipboardData(CF_HDROP, BlockOf(list.data(), list.size())) != nullptr;
    if (wcscmp(effect, L"-") != 0) {
        DWORD value = static_cast<DWORD>(wcstoul(effect, nullptr, 10));
        ok = ok && SetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"), BlockOf(&value, sizeof(value)));
    }
    CloseClipboard();
    return ok ? 0 : 1;
}

bool WriteBlock(HANDLE data, const std::wstring& path) {
    const void* bytes = GlobalLock(data);
    if (!bytes) return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, bytes, static_cast<DWORD>(GlobalSize(data)), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    GlobalUnlock(data);
    return ok;
}

int Dump(const std::wstring& path) {
    if (!OpenClipboardPatiently()) return 1;
    HANDLE list = GetClipboardData(CF_HDROP);
    bool ok = list && WriteBlock(list, path + L".hdrop");
    HANDLE effect = GetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"));
    if (ok && effect) ok = WriteBlock(effect, path + L".effect");
    CloseClipboard();
    return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && wcscmp(argv[1], L"fill") == 0) return Fill(argv[2], argc - 3, argv + 3);
    if (argc == 3 && wcscmp(argv[1], L"dump") == 0) return Dump(argv[2]);
    return 2;
}
