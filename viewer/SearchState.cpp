// The process-wide search state with its initial choices.
#include "viewer/SearchState.h"

SearchState& AppSearch()
{
    static SearchState state;
    return state;
}
