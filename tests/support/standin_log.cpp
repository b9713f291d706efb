#include "support/standin_log.h"

#include "support/window_driver.h"

StandInLog::StandInLog() : path_(folder_ / L"standin.log") {
    SetEnvironmentVariableW(L"ZUV_STANDIN_LOG", path_.c_str());
}

StandInLog::~StandInLog() {
    SetEnvironmentVariableW(L"ZUV_STANDIN_LOG", nullptr);
}

std::vector<StandInLine> StandInLog::Lines() const {
    std::vector<unsigned char> bytes = ReadBytes(path_);
    std::wstring text = FromUtf8(std::string(bytes.begin(), bytes.end()));
    std::vector<StandInLine> lines;
    size_t start = 0;
    for (size_t end = text.find(L'\n'); end != std::wstring::npos; end = text.find(L'\n', start)) {
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        size_t tab = line.find(L'\t');
        StandInLine entry;
        entry.kind = line.substr(0, tab);
        if (tab != std::wstring::npos) entry.text = line.substr(tab + 1);
        lines.push_back(entry);
    }
    return lines;
}

std::vector<StandInLine> StandInLog::LinesOf(const std::wstring& kind) const {
    std::vector<StandInLine> found;
    for (const StandInLine& line : Lines()) {
        if (line.kind.compare(0, kind.size(), kind) == 0) found.push_back(line);
    }
    return found;
}

bool StandInLog::WaitForLines(const std::wstring& kind, size_t count, DWORD timeoutMs) const {
    return PumpUntil([&] { return LinesOf(kind).size() >= count; }, timeoutMs);
}

std::wstring StandInViewerExe() { return JoinPath(BuildFolder(), L"tools\\standin_viewer.exe"); }
std::wstring StandInProgramExe() { return JoinPath(BuildFolder(), L"tools\\standin_program.exe"); }
std::wstring StandInArchiverExe() { return JoinPath(BuildFolder(), L"tools\\standin_archiver.exe"); }
