#pragma once

// Appends one line (UTF-8) to the file named by ZUV_STANDIN_LOG.
void AppendLogLine(const wchar_t* kind, const wchar_t* text);
