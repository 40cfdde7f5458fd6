// Where windows open: viewers cascaded, clear of the main dialog's status line, a log beside its result, every place on the work area.
#pragma once

#include <windows.h>

#include <string>

// `place` moved (and, when larger, shrunk) to lie within `work`.
RECT ClampToWork(RECT place, const RECT& work);

// A new viewer's frame: `step` right and down of the last one opened, back at the work area's
// top left once that would leave it; the first from the place remembered, or two thirds of the
// work area. When it would cover the status line and the work area has room below or above the
// line for a viewer at least `minHeight` high, it is kept to that side.
struct ViewerPlaceInputs {
    RECT work{};
    RECT statusLine{};            // screen rectangle; empty when there is no dialog
    const RECT* lastViewer = nullptr;
    const RECT* remembered = nullptr;
    int step = 32;
    int minHeight = 200;
};
RECT NewViewerPlace(const ViewerPlaceInputs& in);

// A result viewer and the log viewer it opened from Show in Log: each on one half of the
// work area, the result on the half where its centre lies, the log on the other.
struct PairPlaces {
    RECT result;
    RECT log;
};
PairPlaces SideBySide(const RECT& work, const RECT& resultNow);

// A place as the registry keeps it ("left top right bottom"), and back; false for text that is
// no place.
std::wstring PlaceText(const RECT& place);
bool ParsePlace(const std::wstring& text, RECT& place);
