#include "shell/start_folder.h"

#include <windows.h>
#include <strsafe.h>

#include "shell/folder_listing.h"
#include "shell/main_state.h"
#include "shell/settings_file.h"

void ChooseStartFolder(int argCount, wchar_t** args, wchar_t* folder) {
    folder[0] = 0;
    if (argCount <= 1 || !args) {
        ReadStartFolderSetting(folder);
        return;
    }
    // A longer path would be cut to another folder's name.
    if (wcslen(args[1]) >= static_cast<size_t>(kPathChars)) return;
    if (!IsFolderPath(args[1])) return;
    // A relative folder is made full now, while the process's current folder
    // is still the one it was started in: the HTML screenshots and the
    // per-extension programs change it later.
    wchar_t full[kPathChars];
    DWORD length = GetFullPathNameW(args[1], kPathChars, full, nullptr);
    if (length == 0 || length >= static_cast<DWORD>(kPathChars)) return;
    StringCchCopyW(folder, kPathChars, full);
}
