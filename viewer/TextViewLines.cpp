// CTextView: from a result line to its log (Show in Log), Go to Line, the marked line.
#include "viewer/TextView.h"

#include "engine/io/FileLines.h"
#include "engine/io/FileReader.h"
#include "engine/run/CompressedLog.h"
#include "engine/run/GrepIndex.h"
#include "engine/run/ResultLine.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "win32/GdiScope.h"
#include "viewer/GoToLineDialog.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewMath.h"

#include <string>

namespace {

const wchar_t kShowInLogCaption[] = L"Show in Log";
const wchar_t kNoIndexText[] =
    L"This file has no index of its log lines: it is a log, a saved copy of a result, or a "
    L"result of an older version.\r\nRun the search again to go from its lines to the log.";
const wchar_t kStaleIndexText[] =
    L"This result has changed since its run, so its index of log lines no longer fits it.\r\n"
    L"Run the search again to go from its lines to the log.";
const wchar_t kDamagedIndexText[] =
    L"The index of this result's log lines is damaged.\r\n"
    L"Run the search again to go from its lines to the log.";
const wchar_t kLogUnreadableText[] = L"Unable to read the log file:\r\n";
// An index written before members were recorded names only the archive.
const wchar_t kZipMemberText[] = L"The line comes from a member of a zip archive, which Show in "
                                 L"Log cannot open:\r\n";
const wchar_t kLogChangedText[] = L"The log has changed since the run: its line %s no longer "
                                  L"holds this line.\r\n\r\n%s";
const wchar_t kNoSuchLineText[] = L"There is no line %s: the file has %s lines.";
const wchar_t kNotFromLogText[] =
    L"This line is not from the log: following wrote it where the log was truncated or "
    L"replaced and was read again from its start.";
// What Line Info says instead of a number when the index and the log no longer agree.
const wchar_t kLogLineLabel[] = L"\r\nLog Line (from 1): ";
const wchar_t kLogFileLabel[] = L"\r\nLog File: ";
const wchar_t kLogLineStaleText[] = L"unknown, this result has changed since its run";
const wchar_t kLogLineDamagedText[] = L"unknown, the index of log lines is damaged";
const wchar_t kLogLineUnreadableText[] = L"unknown, the log file cannot be read";
const wchar_t kLogLineChangedText[] = L"unknown, the log has changed since the run";
const wchar_t kLogLineNotFromLogText[] = L"none, this line is not from the log";

std::wstring Number(int64_t value)
{
    return std::to_wstring(value);
}

std::wstring Format(const wchar_t* pattern, const std::wstring& first, const std::wstring& second)
{
    std::wstring text = pattern;
    const size_t one = text.find(L"%s");
    text.replace(one, 2, first);
    const size_t two = text.find(L"%s", one + first.size());
    text.replace(two, 2, second);
    return text;
}

// A lone surrogate of a UTF-16 log cannot be written as UTF-8: the result holds
// U+FFFD in its place, and so does the log line compared with it.
void ReplaceLoneSurrogates(std::wstring& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        else if (c >= 0xD800 && c <= 0xDFFF)
            text[i] = 0xFFFD;
    }
}

// The log's line at `offset` is the result line, itself or with the context
// mark a result puts before a line that was not kept.
bool LogLineHolds(const std::wstring& logFile, int64_t offset, const wchar_t* resultLine)
{
    try {
        CFileReader log(logFile.c_str(), 64 * 1024, AppLineDecoding());
        std::wstring text;
        if (!log.Seek(offset) || !log.ReadLine(text))
            return false;
        ReplaceLoneSurrogates(text);
        return ResultLineShows(resultLine ? resultLine : L"", text);
    } catch (...) {
        return false;
    }
}

bool IsRestartLine(const wchar_t* resultLine)
{
    return resultLine && std::wstring_view(resultLine) == kFollowRestartedLine;
}

} // namespace

void CTextView::ShowLine(int64_t offset)
{
    if (!m_reader)
        return;
    m_reader->SeekTo(offset, m_pageLines);
    m_markedOffset = offset;
    SetScrollPos(m_window, SB_VERT, TopScrollPos(), TRUE);
    SetScrollPos(m_window, SB_HORZ, 0, TRUE);
    UpdateHorzRange();
    RedrawAll();
    UpdatePercent();
}

void CTextView::ShowInLog(uint32_t row)
{
    int64_t offset = 0;
    if (!m_reader || !m_reader->RowOffset(row, offset))
        return;
    if (IsRestartLine(m_reader->GetLineText(row))) {
        MessageBoxW(m_window, kNotFromLogText, kShowInLogCaption, MB_ICONINFORMATION);
        return;
    }
    CGrepIndex index;
    switch (index.Open(m_path)) {
    case CGrepIndex::State::Missing:
        MessageBoxW(m_window, kNoIndexText, kShowInLogCaption, MB_ICONINFORMATION);
        return;
    case CGrepIndex::State::Stale:
        MessageBoxW(m_window, kStaleIndexText, kShowInLogCaption, MB_ICONWARNING);
        return;
    case CGrepIndex::State::Damaged:
        MessageBoxW(m_window, kDamagedIndexText, kShowInLogCaption, MB_ICONWARNING);
        return;
    case CGrepIndex::State::Ready:
        break;
    }
    // A compressed log is shown, and its lines found, in a decompressed copy.
    CStretchPlace place;
    std::shared_ptr<CUnpackedLog> copy;
    if (index.Find(offset, place)) {
        const LogPacking packing = PackingOf(index.LogFile());
        if (packing == LogPacking::Zip && index.Member().empty()) {
            MessageBoxW(m_window, (kZipMemberText + index.LogFile()).c_str(), kShowInLogCaption,
                        MB_ICONINFORMATION);
            return;
        }
        if (packing != LogPacking::Plain &&
            !(copy = UnpackForViewing(m_window, index.LogFile(), index.Member())))
            return;
    }
    int64_t logOffset = 0;
    bool located = false;
    bool header = false;   // the line that names a log of a set
    {
        CWaitCursor wait;
        located = index.Locate(offset, logOffset, &header, copy ? copy->Path() : std::wstring());
    }
    const std::wstring shown = copy ? copy->Original() : index.LogFile();
    if (!located) {
        MessageBoxW(m_window, (kLogUnreadableText + shown).c_str(), kShowInLogCaption,
                    MB_ICONWARNING);
        return;
    }
    const std::wstring logFile = copy ? copy->Path() : index.LogFile();
    if (!header && !LogLineHolds(logFile, logOffset, m_reader->GetLineText(row))) {
        int64_t number = 0;
        LineNumberAt(logFile, logOffset, number);
        MessageBoxW(m_window, Format(kLogChangedText, Number(number), shown).c_str(),
                    kShowInLogCaption, MB_ICONWARNING);
        return;
    }
    if (!m_notifyWindow)
        return;
    NMSHOWINLOG request{};
    request.header.code = static_cast<UINT>(NM_VIEWER_SHOW_IN_LOG);
    request.logFile = logFile.c_str();
    request.offset = logOffset;
    request.copy = std::move(copy);
    request.resultFile = m_path.c_str();
    request.logNumber = place.file;
    SendNotice(m_notifyWindow, m_window, request.header);
}

std::wstring CTextView::LogLineOfTop() const
{
    CGrepIndex index;
    if (!m_reader)
        return {};
    switch (index.Open(m_path)) {
    case CGrepIndex::State::Missing:
        return {};   // a log or a saved copy: it has no log lines to give
    case CGrepIndex::State::Stale:
        return kLogLineLabel + std::wstring(kLogLineStaleText);
    case CGrepIndex::State::Damaged:
        return kLogLineLabel + std::wstring(kLogLineDamagedText);
    case CGrepIndex::State::Ready:
        break;
    }
    const wchar_t* top = m_reader->GetLineText(0);
    if (IsRestartLine(top))
        return kLogLineLabel + std::wstring(kLogLineNotFromLogText);
    // Checked as Show in Log checks it: a number is given only for a log line
    // that still holds the top line.
    int64_t logOffset = 0;
    int64_t line = 0;
    bool header = false;   // the line that names a log of a set: it leads to the log's start
    // A compressed log is counted in its decompressed copy, the one a viewer
    // shows if there is one, as Show in Log finds it. A member of an index
    // older than members cannot be counted.
    CStretchPlace place;
    std::shared_ptr<CUnpackedLog> copy;
    if (index.Find(m_reader->TopLineOffset(), place)) {
        const LogPacking packing = PackingOf(index.LogFile());
        if (packing == LogPacking::Zip && index.Member().empty())
            return kLogLineLabel + std::wstring(kLogLineUnreadableText);
        if (packing != LogPacking::Plain &&
            !(copy = UnpackForViewing(m_window, index.LogFile(), index.Member())))
            return kLogFileLabel + index.LogFile() +
                   (index.Member().empty() ? L"" : L":" + index.Member()) + kLogLineLabel +
                   kLogLineUnreadableText;
    }
    const std::wstring logFile = copy ? copy->Path() : index.LogFile();
    if (!index.Locate(m_reader->TopLineOffset(), logOffset, &header,
                      copy ? logFile : std::wstring()))
        return kLogLineLabel + std::wstring(kLogLineUnreadableText);
    // A result of several logs says which one the line is in, a member by its name.
    const std::wstring setLog =
        copy ? kLogFileLabel + copy->Original()
             : (index.LogCount() > 1 ? kLogFileLabel + index.LogFile() : std::wstring());
    if (!header && !LogLineHolds(logFile, logOffset, top))
        return setLog + kLogLineLabel + kLogLineChangedText;
    if (!LineNumberAt(logFile, logOffset, line))
        return setLog + kLogLineLabel + kLogLineUnreadableText;
    return setLog + kLogLineLabel + std::to_wstring(line);
}

void CTextView::ShowGoToLineDialog()
{
    if (!m_reader)
        return;
    CGoToLineDialog dialog;
    if (dialog.Show(m_instance, m_window) == IDOK)
        GoToLine(dialog.Number());
}

bool CTextView::GoToLine(int64_t number)
{
    if (!m_reader)
        return false;
    int64_t offset = 0;
    int64_t lines = 0;
    bool found = false;
    {
        CWaitCursor wait;
        found = FindLineStart(m_path, number, offset, lines);
    }
    if (!found) {
        MessageBoxW(m_window, Format(kNoSuchLineText, Number(number), Number(lines)).c_str(),
                    CGoToLineDialog::kCaption, MB_ICONINFORMATION);
        return false;
    }
    ShowLine(offset);
    return true;
}

void CTextView::OnDoubleClick(int x, int y, WPARAM keys)
{
    // With Ctrl the click marks the word; alone it keeps its meaning, Show in Log.
    if (keys & MK_CONTROL) {
        MarkWordAt(x, y);
        return;
    }
    const int row = (y - m_margins.border) / viewmath::RowHeight(m_fontSize);
    if (row >= 0)
        ShowInLog(uint32_t(row));
}
