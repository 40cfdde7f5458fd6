// CTextView: from a result line to its log (Show in Log), Go to Line, the marked line.
#include "viewer/TextView.h"

#include "engine/io/FileLines.h"
#include "engine/io/FileReader.h"
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
const wchar_t kLogUnreadableText[] = L"Unable to read the log file:\r\n";
const wchar_t kLogChangedText[] = L"The log has changed since the run: its line %s no longer "
                                  L"holds this line.\r\n\r\n%s";
const wchar_t kNoSuchLineText[] = L"There is no line %s: the file has %s lines.";

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

// The log's line at `offset` is the result line, itself or with the context
// mark a result puts before a line that was not kept.
bool LogLineHolds(const std::wstring& logFile, int64_t offset, const wchar_t* resultLine)
{
    try {
        CFileReader log(logFile.c_str(), 64 * 1024, AppLineDecoding());
        std::wstring text;
        if (!log.Seek(offset) || !log.ReadLine(text))
            return false;
        return ResultLineShows(resultLine ? resultLine : L"", text);
    } catch (...) {
        return false;
    }
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
    CGrepIndex index;
    switch (index.Open(m_path)) {
    case CGrepIndex::State::Missing:
        MessageBoxW(m_window, kNoIndexText, kShowInLogCaption, MB_ICONINFORMATION);
        return;
    case CGrepIndex::State::Stale:
        MessageBoxW(m_window, kStaleIndexText, kShowInLogCaption, MB_ICONWARNING);
        return;
    case CGrepIndex::State::Ready:
        break;
    }
    int64_t logOffset = 0;
    bool located = false;
    bool header = false;   // the line that names a log of a set
    {
        CWaitCursor wait;
        located = index.Locate(offset, logOffset, &header);
    }
    if (!located) {
        MessageBoxW(m_window, (kLogUnreadableText + index.LogFile()).c_str(), kShowInLogCaption,
                    MB_ICONWARNING);
        return;
    }
    if (!header && !LogLineHolds(index.LogFile(), logOffset, m_reader->GetLineText(row))) {
        int64_t number = 0;
        LineNumberAt(index.LogFile(), logOffset, number);
        MessageBoxW(m_window, Format(kLogChangedText, Number(number), index.LogFile()).c_str(),
                    kShowInLogCaption, MB_ICONWARNING);
        return;
    }
    if (!m_notifyWindow)
        return;
    NMSHOWINLOG request{};
    request.header.code = static_cast<UINT>(NM_VIEWER_SHOW_IN_LOG);
    request.logFile = index.LogFile().c_str();
    request.offset = logOffset;
    SendNotice(m_notifyWindow, m_window, request.header);
}

bool CTextView::LogLineOfTop(int64_t& line, std::wstring& setLog) const
{
    CGrepIndex index;
    int64_t logOffset = 0;
    if (!m_reader || index.Open(m_path) != CGrepIndex::State::Ready ||
        !index.Locate(m_reader->TopLineOffset(), logOffset) ||
        !LineNumberAt(index.LogFile(), logOffset, line))
        return false;
    // A result of several logs says which one the line is in.
    setLog = index.LogCount() > 1 ? index.LogFile() : std::wstring();
    return true;
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

void CTextView::OnDoubleClick(int y)
{
    const int row = (y - m_margins.border) / viewmath::RowHeight(m_fontSize);
    if (row >= 0)
        ShowInLog(uint32_t(row));
}
