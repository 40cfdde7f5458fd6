// The main dialog's layout table.
#include "ui/Layout.h"

#include "resources/resource.h"

std::array<ControlPlace, 17> MainDialogLayout(int W, int H)
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
