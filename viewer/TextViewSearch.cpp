// CTextView: the Find dialog, one search step, F3 and the menu's Next and Previous, line information.
#include "viewer/TextView.h"

#include "engine/match/MaskExplanation.h"
#include "engine/match/RegexExplanation.h"
#include "resources/resource.h"
#include "viewer/FindDialog.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/SearchState.h"
#include "viewer/ViewMath.h"
#include "win32/GdiScope.h"

namespace {
const wchar_t kSearchCaption[] = L"Search";
const wchar_t kWrongSearchText[] = L"Wrong search parameters!";
const wchar_t kNotFoundText[] = L"Search string not found!";
const wchar_t kLineInfoFormat[] = L"Current Line: %4ld\r\nCurrent Char: %3d";
const wchar_t kLineInfoCaption[] = L"Line Info";
} // namespace

void CTextView::ShowFindDialog()
{
    CFindDialog dialog;
    if (dialog.Show(m_instance, m_window) == IDOK)
        SearchText(!AppSearch().backwards);
}

void CTextView::SearchText(bool forward)
{
    SearchState& search = AppSearch();
    if (!m_reader || search.text.empty() || m_reader->GetSize() == 0)
        return;
    CFilterMatcher expression;
    bool compiled = true;
    if (search.reading == TextReading::PlainText) {
        expression.CompilePlain(search.text, search.ignoreCase);
    } else if (search.reading == TextReading::Regex) {
        compiled = expression.CompileRegex(SearchRegex(search.text, search.ignoreCase));
    } else {
        // A text without wildcards or an exclusion is looked for anywhere in a
        // line; the wrapped form is kept, so the dialog shows it next time.
        search.text = SearchMask(search.text);
        compiled = expression.Compile(search.text, search.ignoreCase);
    }
    if (!compiled) {
        MessageBoxW(m_window, kWrongSearchText, kSearchCaption, MB_ICONWARNING);
        return;
    }
    search.expression = expression;

    bool found = false;
    {
        CWaitCursor wait;
        found = forward ? m_reader->FindForward(expression, m_pageLines)
                        : m_reader->FindBackward(expression, m_pageLines);
    }
    if (!found) {
        MessageBoxW(m_window, kNotFoundText, kSearchCaption, MB_ICONINFORMATION);
        return;
    }

    m_highlight = true;
    SetScrollPos(m_window, SB_VERT, TopScrollPos(), TRUE);
    // The range first: a position beyond the previous page's widest line
    // would otherwise be cut back to it.
    UpdateHorzRange();
    int column = -1;
    const wchar_t* line = m_reader->GetLineText(0);
    if (line && expression.MatchesText(line, &column) && column > 5)
        SetScrollPos(m_window, SB_HORZ, column - 5, TRUE);
    RedrawAll();
    UpdatePercent();
}

void CTextView::RepeatSearch()
{
    const SearchState& search = AppSearch();
    if (search.text.empty()) {
        ShowFindDialog();
        return;
    }
    bool forward = !search.backwards;
    if (GetKeyState(VK_SHIFT) < 0)
        forward = !forward;
    SearchText(forward);
}

void CTextView::FindNext()
{
    if (AppSearch().text.empty())
        ShowFindDialog();
    else
        SearchText(true);
}

void CTextView::FindPrevious()
{
    SearchState& search = AppSearch();
    if (search.text.empty()) {
        search.backwards = true;
        ShowFindDialog();
    } else {
        SearchText(false);
    }
}

void CTextView::ShowLineInfo()
{
    if (!m_reader)
        return;
    int32_t line = 0;
    int column = 0;
    {
        CWaitCursor wait;
        // The top line's own start: the offset that stands for the last line
        // of a block is the end of that line, which would count it too.
        const int64_t top = m_reader->TopLineOffset();
        line = m_reader->CountLines(0, top);
        column = HorzPos();
    }
    wchar_t text[128];
    wsprintfW(text, kLineInfoFormat, long(line), column);
    const std::wstring info = text + LogLineOfTop();
    MessageBoxW(m_window, info.c_str(), kLineInfoCaption, MB_ICONINFORMATION);
}
