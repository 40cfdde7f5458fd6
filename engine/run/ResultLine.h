// How a result file writes a log's lines, for the run that writes it and the viewer that reads
// it back: a kept line as it is, a context line before a kept one after "/", a context line
// after one after "\", and one line of its own where following starts the log over.
#pragma once

#include <string_view>

constexpr wchar_t kContextBeforeMark[] = L"/";
constexpr wchar_t kContextAfterMark[] = L"\\";

// Written when the followed log has been truncated or replaced and is read
// again from its new start.
constexpr wchar_t kFollowRestartedLine[] =
    L"=== Tilvo: the log was truncated or replaced; following it again from its start ===";

// True when `resultLine` shows the log line `logText`: as it is, or after a context mark.
inline bool ResultLineShows(std::wstring_view resultLine, std::wstring_view logText)
{
    if (resultLine == logText)
        return true;
    if (resultLine.empty())
        return false;
    const wchar_t mark = resultLine.front();
    return (mark == kContextBeforeMark[0] || mark == kContextAfterMark[0]) &&
           resultLine.substr(1) == logText;
}
