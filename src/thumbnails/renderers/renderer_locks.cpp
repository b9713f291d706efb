#include "thumbnails/renderers/renderer_locks.h"

SRWLOCK textDrawingLock = SRWLOCK_INIT;
SRWLOCK privateFontLock = SRWLOCK_INIT;
