// Where windows open: viewers cascaded, clear of the main dialog's status line, a log beside its result, every place on the work area.
#include "ui/WindowPlaces.h"

#include <algorithm>
#include <cwchar>

namespace {

int Width(const RECT& r)
{
    return r.right - r.left;
}

int Height(const RECT& r)
{
    return r.bottom - r.top;
}

bool Overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

RECT ClampToWork(RECT place, const RECT& work)
{
    const int width = std::min(Width(place), Width(work));
    const int height = std::min(Height(place), Height(work));
    const int left = std::clamp(int(place.left), int(work.left), int(work.right) - width);
    const int top = std::clamp(int(place.top), int(work.top), int(work.bottom) - height);
    return RECT{left, top, left + width, top + height};
}

RECT NewViewerPlace(const ViewerPlaceInputs& in)
{
    RECT place{};
    if (in.lastViewer) {
        place = *in.lastViewer;
        OffsetRect(&place, in.step, in.step);
        // A cascade that runs off the work area starts again at its top left.
        if (place.right > in.work.right || place.bottom > in.work.bottom)
            OffsetRect(&place, in.work.left - place.left, in.work.top - place.top);
    } else if (in.remembered) {
        place = *in.remembered;
    } else {
        place = RECT{in.work.left, in.work.top, in.work.left + Width(in.work) * 2 / 3,
                     in.work.top + Height(in.work) * 2 / 3};
    }
    place = ClampToWork(place, in.work);
    if (IsRectEmpty(&in.statusLine) || !Overlap(place, in.statusLine))
        return place;
    const int below = in.work.bottom - in.statusLine.bottom;
    const int above = in.statusLine.top - in.work.top;
    if (below >= in.minHeight && below >= above) {
        const int height = std::min(Height(place), below);
        return RECT{place.left, in.statusLine.bottom, place.right, in.statusLine.bottom + height};
    }
    if (above >= in.minHeight) {
        const int height = std::min(Height(place), above);
        return RECT{place.left, in.statusLine.top - height, place.right, in.statusLine.top};
    }
    return place;   // no room on either side: the line is covered rather than the viewer made tiny
}

PairPlaces SideBySide(const RECT& work, const RECT& resultNow)
{
    const int middle = work.left + Width(work) / 2;
    const RECT left{work.left, work.top, middle, work.bottom};
    const RECT right{middle, work.top, work.right, work.bottom};
    const bool resultLeft = (resultNow.left + resultNow.right) / 2 < middle;
    return resultLeft ? PairPlaces{left, right} : PairPlaces{right, left};
}

std::wstring PlaceText(const RECT& place)
{
    return std::to_wstring(place.left) + L" " + std::to_wstring(place.top) + L" " +
           std::to_wstring(place.right) + L" " + std::to_wstring(place.bottom);
}

bool ParsePlace(const std::wstring& text, RECT& place)
{
    long l = 0, t = 0, r = 0, b = 0;
    wchar_t rest = 0;
    if (std::swscanf(text.c_str(), L"%ld %ld %ld %ld %lc", &l, &t, &r, &b, &rest) != 4 || r <= l || b <= t)
        return false;
    place = RECT{l, t, r, b};
    return true;
}
