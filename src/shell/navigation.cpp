#include "shell/navigation.h"

#include "shell/main_state.h"

void PushHistory() {
    ++historyIndex;
    if (historyIndex <= static_cast<int>(history.size())) {
        history.erase(history.begin() + historyIndex, history.end());
    }
    history.push_back(currentDir);
    if (history.size() > 20) {
        history.erase(history.begin());
        --historyIndex;
    }
}

void GoToParentFolder() {}

void EnterFolderItem(const wchar_t*) {}
