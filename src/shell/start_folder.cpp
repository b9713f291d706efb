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
    if (IsFolderPath(args[1])) StringCchCopyW(folder, kPathChars, args[1]);
}
