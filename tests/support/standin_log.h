// The log that the stand-in viewer and per-extension program write: one line
// per event, "kind<TAB>text".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/test_files.h"

struct StandInLine {
    std::wstring kind;
    std::wstring text;
};

// A fresh log file, named to the stand-ins through ZUV_STANDIN_LOG for the
// programs this process starts while the object lives.
class StandInLog {
public:
    StandInLog();
    ~StandInLog();
    StandInLog(const StandInLog&) = delete;
    StandInLog& operator=(const StandInLog&) = delete;

    std::vector<StandInLine> Lines() const;
    // The lines whose kind starts with `kind`.
    std::vector<StandInLine> LinesOf(const std::wstring& kind) const;
    // Dispatches messages until `count` lines of `kind` are there.
    bool WaitForLines(const std::wstring& kind, size_t count, DWORD timeoutMs = 15000) const;

private:
    TempFolder folder_;
    std::wstring path_;
};

// The stand-in programs of the build.
std::wstring StandInViewerExe();
std::wstring StandInProgramExe();
// Plays the console archiver over ZIP files (see tools/standin_archiver).
std::wstring StandInArchiverExe();
