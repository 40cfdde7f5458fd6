// The line each settings file's last load stopped at.
#include "store/LoadReport.h"

#include "win32/PathRules.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// UI thread only, like the stores that load the files.
std::vector<std::pair<std::wstring, size_t>>& Stops()
{
    static std::vector<std::pair<std::wstring, size_t>> stops;
    return stops;
}

} // namespace

void NoteLoadStop(const std::wstring& path, size_t line)
{
    auto& stops = Stops();
    stops.erase(std::remove_if(stops.begin(), stops.end(),
                               [&](const auto& stop) { return SamePath(stop.first, path); }),
                stops.end());
    if (line > 0)
        stops.emplace_back(path, line);
}

size_t LoadStopLine(const std::wstring& path)
{
    for (const auto& stop : Stops()) {
        if (SamePath(stop.first, path))
            return stop.second;
    }
    return 0;
}
