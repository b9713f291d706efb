// Locks around what renderers share between threads. A worker that the stop
// routine gave up runs on beside its successor, and the preview draws on the
// user-interface thread, so one renderer may run on several threads at once.
// A lock is held only while drawing, never across a message to a window.
#pragma once

#include <windows.h>

// Direct2D and DirectWrite: Wine's crash when two threads draw at once, even
// through a multithreaded factory.
extern SRWLOCK textDrawingLock;

// GDI's private fonts are process-wide: while one is added, a face of its
// name asked for on any thread may be that font, and removing it pulls it
// from under a thread drawing with it.
extern SRWLOCK privateFontLock;

// Holds a lock exclusively for its scope.
class TLockHold {
public:
    explicit TLockHold(SRWLOCK* lock) : lock_(lock) { AcquireSRWLockExclusive(lock_); }
    ~TLockHold() { ReleaseSRWLockExclusive(lock_); }
    TLockHold(const TLockHold&) = delete;
    TLockHold& operator=(const TLockHold&) = delete;

private:
    SRWLOCK* lock_;
};
