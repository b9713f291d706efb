#include "shell/main_handlers.h"

LRESULT OnAnimationCommand(HWND, int) {
    return 0;
}
