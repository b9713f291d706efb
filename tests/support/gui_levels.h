// How many GDI objects, USER objects and kernel handles the process holds, as
// numbers that grow by one per object that leaks. On Windows these are the
// process counters; Wine reports 0 for them, so there the level is probed:
// a burst of fresh objects reaches past every entry that is still in use, so
// the highest slot it takes rises with each leaked object.
#pragma once

#include <windows.h>

DWORD GdiObjectLevel();
DWORD UserObjectLevel();
DWORD KernelHandleLevel();
