// What each settings file's last load met.
#include "store/LoadReport.h"

#include "win32/PathRules.h"

#include <vector>

namespace {

struct LoadNote {
    std::wstring path;
    size_t stopLine = 0;
    LoadStopCause cause = LoadStopCause::NoEquals;
    size_t notTextLine = 0;
};

// UI thread only, like the stores that load the files.
std::vector<LoadNote>& Notes()
{
    static std::vector<LoadNote> notes;
    return notes;
}

LoadNote* Find(const std::wstring& path)
{
    for (LoadNote& note : Notes()) {
        if (SamePath(note.path, path))
            return &note;
    }
    return nullptr;
}

LoadNote& NoteFor(const std::wstring& path)
{
    if (LoadNote* note = Find(path))
        return *note;
    Notes().push_back(LoadNote{path});
    return Notes().back();
}

} // namespace

void NoteLoadStop(const std::wstring& path, size_t line, LoadStopCause cause)
{
    LoadNote& note = NoteFor(path);
    note.stopLine = line;
    note.cause = line > 0 ? cause : LoadStopCause::NoEquals;
}

size_t LoadStopLine(const std::wstring& path)
{
    const LoadNote* note = Find(path);
    return note ? note->stopLine : 0;
}

LoadStopCause LoadStopCauseOf(const std::wstring& path)
{
    const LoadNote* note = Find(path);
    return note ? note->cause : LoadStopCause::NoEquals;
}

void NoteLineNotText(const std::wstring& path, size_t line)
{
    NoteFor(path).notTextLine = line;
}

size_t LineNotText(const std::wstring& path)
{
    const LoadNote* note = Find(path);
    return note ? note->notTextLine : 0;
}
