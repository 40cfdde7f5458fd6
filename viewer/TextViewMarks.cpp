// CTextView: the marked word, picked by Ctrl and a double click or under the pointer, and its next and previous lines.
#include "viewer/TextView.h"

#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewMath.h"
#include "viewer/WordMarks.h"
#include "win32/GdiScope.h"

bool CTextView::MarkWordAt(int x, int y)
{
    if (!m_reader || m_charWidth <= 0)
        return false;
    const int rowHeight = viewmath::RowHeight(m_fontSize);
    const int left = viewmath::TextLeft(HorzPos(), m_charWidth, m_margins.border);
    if (y < m_margins.border || x < left)
        return false;
    const uint32_t row = uint32_t((y - m_margins.border) / rowHeight);
    const wchar_t* text = m_reader->GetLineText(row);
    if (!text)
        return false;
    std::wstring word =
        WordAt(text, m_reader->GetLineLength(row), size_t((x - left) / m_charWidth));
    if (word.empty())
        return false;
    SetMarkedWord(std::move(word));
    return true;
}

void CTextView::MarkWordUnderPointer()
{
    // The pointer when it rests on the text; else the first word the top line
    // shows, where a caret would stand.
    POINT pointer{};
    GetCursorPos(&pointer);
    ScreenToClient(m_window, &pointer);
    const RECT text = TextRect();
    if (PtInRect(&text, pointer) && MarkWordAt(pointer.x, pointer.y))
        return;
    if (!m_reader)
        return;
    const wchar_t* top = m_reader->GetLineText(0);
    const size_t length = m_reader->GetLineLength(0);
    for (size_t column = size_t(HorzPos()); top && column < length; ++column) {
        if (IsWordChar(top[column])) {
            SetMarkedWord(WordAt(top, length, column));
            return;
        }
    }
}

void CTextView::SetMarkedWord(std::wstring word)
{
    m_markedWord = std::move(word);
    RedrawAll();
}

bool CTextView::GoToMark(bool forward)
{
    if (!m_reader || m_markedWord.empty())
        return false;
    // The reader finds lines that hold the text anywhere; a line where it is
    // only part of a longer word is passed over.
    CFilterMatcher expression;
    expression.CompilePlain(m_markedWord, false);
    const int64_t start = m_reader->TopLineOffset();
    std::vector<CMatchSpan> places;
    bool found = false;
    {
        CWaitCursor wait;
        while (!found && (forward ? m_reader->FindForward(expression, m_pageLines)
                                  : m_reader->FindBackward(expression, m_pageLines))) {
            const wchar_t* line = m_reader->GetLineText(0);
            WordOccurrences(line, m_reader->GetLineLength(0), m_markedWord, places);
            found = !places.empty();
        }
    }
    if (!found) {
        MessageBeep(MB_OK);
        m_reader->SeekTo(start, m_pageLines);
    }
    SetScrollPos(m_window, SB_VERT, TopScrollPos(), TRUE);
    UpdateHorzRange();
    if (found && int(places.front().begin) >= HorzPos() + m_visibleColumns)
        SetScrollPos(m_window, SB_HORZ, int(places.front().begin) - 5, TRUE);
    RedrawAll();
    UpdatePercent();
    return found;
}
