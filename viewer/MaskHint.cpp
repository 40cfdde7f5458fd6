// The line under a mask's text box that says how the text will be read, and the button that offers the "contains" form.
#include "viewer/MaskHint.h"

#include "engine/match/MaskExplanation.h"
#include "engine/match/RegexExplanation.h"

#include <string>

namespace {

std::wstring TextOf(HWND control)
{
    std::wstring text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(control, text.data(), int(text.size()))));
    return text;
}

} // namespace

void UpdateMaskHint(HWND dialog, const MaskHintControls& controls, bool ignoreCase,
                    TextReading reading, bool searchMask)
{
    HWND hint = GetDlgItem(dialog, controls.hint);
    if (!hint)
        return;
    const std::wstring text = TextOf(GetDlgItem(dialog, controls.text));
    std::wstring said;
    if (reading == TextReading::PlainText)
        said = ExplainPlainText(text, ignoreCase);
    else if (reading == TextReading::Regex)
        said = ExplainRegex(text, ignoreCase);
    else
        said = ExplainMask(searchMask && !text.empty() ? SearchMask(text) : text, ignoreCase);
    SetWindowTextW(hint, said.c_str());
    if (HWND contains = GetDlgItem(dialog, controls.contains))
        ShowWindow(contains, reading == TextReading::Mask && OffersContains(text) ? SW_SHOWNA : SW_HIDE);
}

void UseContainsForm(HWND dialog, const MaskHintControls& controls)
{
    HWND box = GetDlgItem(dialog, controls.text);
    const std::wstring text = TextOf(box);
    if (!OffersContains(text))
        return;
    SetWindowTextW(box, ContainsForm(text).c_str());
}
