// CTextView: the search commands and the line information.
#include "viewer/TextView.h"

void CTextView::ShowFindDialog() {}
void CTextView::SearchText(bool) {}
void CTextView::RepeatSearch() {}
void CTextView::FindNext() {}
void CTextView::FindPrevious() {}
void CTextView::ShowLineInfo() {}
