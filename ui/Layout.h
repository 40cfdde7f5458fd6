// The main dialog's layout: where each moving control goes for a client size.
#pragma once

#include "win32/Dpi.h"

#include <array>

struct ControlPlace {
    int id;
    int x, y, width, height;
};

// The rectangles, in client pixels, of the controls that follow the dialog's size, at `dpi`
// (the numbers are those of 96 DPI, scaled). The context row (141 to 146) keeps its template
// place, which the dialog manager scales. Nothing is clamped: below the minimum size the
// widths and heights shrink until those controls vanish.
// `rowsShift` moves the category row and everything below it down, for a context row that
// the dialog's font made taller than the DPI alone would.
std::array<ControlPlace, 17> MainDialogLayout(int width, int height, int dpi = kDesignDpi,
                                              int rowsShift = 0);

// The context row at a DPI: how far its template place must move down to clear the file row
// (0 at 96 DPI), and how far the rows below must then move to clear it.
struct ContextRowMove {
    int down;
    int rowsShift;
};
ContextRowMove PlaceContextRow(int templateTop, int templateBottom, int dpi);

// The smallest client size at which no controls overlap: the Go column right of the context
// row (whose right edge is `contextRight`), the file box still usable, the right-hand buttons
// above the status line.
struct ClientSize {
    int width, height;
};
ClientSize MainDialogMinimum(int contextRight, int dpi, int rowsShift = 0);
