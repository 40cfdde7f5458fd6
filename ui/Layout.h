// The main dialog's layout: where each moving control goes for a client size.
#pragma once

#include <array>

struct ControlPlace {
    int id;
    int x, y, width, height;
};

// The rectangles, in client pixels, of the controls that follow the dialog's size. The context
// row (141 to 146) keeps its template place. Nothing is clamped: at small sizes the widths and
// heights go negative and those controls vanish.
std::array<ControlPlace, 17> MainDialogLayout(int width, int height);
