// The main dialog's layout table.
#include "ui/Layout.h"

#include "resources/resource.h"

#include "win32/Dpi.h"

#include <algorithm>

namespace {
std::array<ControlPlace, 17> Places96(int W, int H);
} // namespace

std::array<ControlPlace, 17> MainDialogLayout(int width, int height, int dpi, int rowsShift)
{
    // Written in 96-DPI pixels: the client size is taken back to them, each place scaled.
    const int W = Unscaled(width, dpi);
    const int H = Unscaled(height, dpi);
    std::array<ControlPlace, 17> places = Places96(W, H);
    for (ControlPlace& place : places) {
        place.x = Scaled(place.x, dpi);
        place.y = Scaled(place.y, dpi);
        place.width = Scaled(place.width, dpi);
        place.height = Scaled(place.height, dpi);
    }
    // The right and bottom edges follow the real client size, free of rounding.
    for (ControlPlace& place : places) {
        if (place.id == IDC_STATUS) {
            place.y = height - Scaled(16, dpi);
            place.width = width;
        } else if (place.y >= Scaled(57, dpi)) {
            place.y += rowsShift;
            if (place.id == IDC_FILTER_LIST)
                place.height -= rowsShift;
        }
    }
    return places;
}

ContextRowMove PlaceContextRow(int templateTop, int templateBottom, int dpi)
{
    // The file row ends at 28 (Browse); the category row starts at 57.
    const int clearOfFileRow = Scaled(29, dpi);
    const int down = std::max(0, clearOfFileRow - templateTop);
    const int rowsShift = std::max(0, templateBottom + down + Scaled(6, dpi) - Scaled(57, dpi));
    return {down, rowsShift};
}

ClientSize MainDialogMinimum(int contextRight, int dpi, int rowsShift)
{
    const int goColumn = Scaled(73, dpi);
    const int width = std::max(contextRight + Scaled(8, dpi) + goColumn, Scaled(360, dpi));
    // The None button ends at 258; the status line takes the last 16.
    const int height = Scaled(258 + 8 + 16, dpi) + rowsShift;
    return {width, height};
}

namespace {
std::array<ControlPlace, 17> Places96(int W, int H)
{
    // Right-hand buttons share one column; the Go button is two rows tall so that it reaches
    // down beside the context row.
    return {{
        {IDC_FILE_LABEL, 8, 11, 60, 14},
        {IDC_FILE, 71, 8, W - 215, 200},          // the height includes the drop-down list
        {IDC_BROWSE, W - 141, 8, 65, 20},
        {IDC_GO, W - 73, 8, 65, 43},
        {IDC_CATEGORY_LABEL, 8, 60, 60, 14},
        {IDC_CATEGORY, 71, 57, W - 147, 200},
        {IDC_ADD_CATEGORY, W - 73, 57, 32, 20},
        {IDC_DELETE_CATEGORY, W - 40, 57, 32, 20},
        {IDC_FILTERS_LABEL, 8, 86, 60, 14},
        {IDC_FILTER_LIST, 71, 83, W - 147, H - 108},
        {IDC_ADD_FILTER, W - 73, 83, 65, 20},
        {IDC_REPLACE_FILTER, W - 73, 106, 65, 20},
        {IDC_REMOVE_FILTER, W - 73, 129, 65, 20},
        {IDC_OR_AND, W - 73, 172, 65, 20},
        {IDC_ALL, W - 73, 215, 65, 20},
        {IDC_NONE, W - 73, 238, 65, 20},
        {IDC_STATUS, 0, H - 16, W, 25},
    }};
}
} // namespace
