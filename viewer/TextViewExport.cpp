// CTextView: Save, HTML export and Copy Screen.
#include "viewer/TextView.h"

void CTextView::SaveFile() {}
bool CTextView::ExportHtml(const wchar_t*) { return false; }
void CTextView::CopyScreen() {}
