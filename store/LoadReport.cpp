// The line each settings file's last load stopped at.
#include "store/LoadReport.h"

#include "win32/PathRules.h"

#include <algorithm>
#include <vector>

namespace {

struct LoadStop {
    std::wstring path;
    size_t line;
    LoadStopCause cause;
};

// UI thread only, like the stores that load the files.
std::vector<LoadStop>& Stops()
{
    static std::vector<LoadStop> stops;
    return stops;
}

} // namespace

void NoteLoadStop(const std::wstring& path, size_t line, LoadStopCause cause)
{
    auto& stops = Stops();
    stops.erase(std::remove_if(stops.begin(), stops.end(),
                               [&](const LoadStop& stop) { return SamePath(stop.path, path); }),
                stops.end());
    if (line > 0)
        stops.push_back(LoadStop{path, line, cause});
}

size_t LoadStopLine(const std::wstring& path)
{
    for (const LoadStop& stop : Stops()) {
        if (SamePath(stop.path, path))
            return stop.line;
    }
    return 0;
}

LoadStopCause LoadStopCauseOf(const std::wstring& path)
{
    for (const LoadStop& stop : Stops()) {
        if (SamePath(stop.path, path))
            return stop.cause;
    }
    return LoadStopCause::NoEquals;
}
