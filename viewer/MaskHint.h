// The line under a mask's text box that says how the text will be read, and the button that offers the "contains" form.
#pragma once

#include "viewer/SearchState.h"

#include <windows.h>

// The controls of one dialog that take part: the text box (an edit or a combo box), the hint
// line and the "contains" button; a dialog without a hint line has nothing to update.
struct MaskHintControls {
    int text;
    int hint;
    int contains;
};

// Says, in the hint line, how the text box's text will be read: as a mask (ExplainMask), as
// plain text found anywhere, or as a regular expression (ExplainRegex). The button shows only where a mask text has no special character.
// `searchMask`: the text is Find's, read as SearchMask says.
void UpdateMaskHint(HWND dialog, const MaskHintControls& controls, bool ignoreCase, TextReading reading,
                    bool searchMask);
// Puts the "contains" form of the text in the text box (the box then says so through the hint).
void UseContainsForm(HWND dialog, const MaskHintControls& controls);
