// The line under a mask's text box that says how the text will be read, and the button that offers the "contains" form.
#include "viewer/MaskHint.h"

#include "engine/match/MaskExplanation.h"

#include <string>

namespace {

std::wstring TextOf(HWND control)
{
    std::wstring text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(control, text.data(), int(text.size()))));
    return text;
}

} // namespace

void UpdateMaskHint(HWND dialog, const MaskHintControls& controls, bool ignoreCase, bool plainText,
                    bool searchMask)
{
    HWND hint = GetDlgItem(dialog, controls.hint);
    if (!hint)
        return;
    const std::wstring text = TextOf(GetDlgItem(dialog, controls.text));
    const std::wstring said = plainText ? ExplainPlainText(text, ignoreCase)
                                        : ExplainMask(searchMask && !text.empty() ? SearchMask(text) : text, ignoreCase);
    SetWindowTextW(hint, said.c_str());
    if (HWND contains = GetDlgItem(dialog, controls.contains))
        ShowWindow(contains, !plainText && OffersContains(text) ? SW_SHOWNA : SW_HIDE);
}

void UseContainsForm(HWND dialog, const MaskHintControls& controls)
{
    HWND box = GetDlgItem(dialog, controls.text);
    const std::wstring text = TextOf(box);
    if (!OffersContains(text))
        return;
    SetWindowTextW(box, ContainsForm(text).c_str());
}
