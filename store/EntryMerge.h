// Merging one instance's entries into a settings file that other instances of
// the program may have saved since this one loaded it.
#pragma once

#include "store/SafeSave.h"
#include "store/SaveLock.h"

#include <string>
#include <vector>

// How the file reads as it is now, at the save.
enum class FileNow {
    Whole,         // read to its end
    WholeNotText,  // read to its end, but a line's bytes were not text: a write changes that line
    Stopped,       // reading stopped early: entries after that point are unknown
    Unreadable,    // missing, or could not be opened
};

// The entry both instances changed: this one's, the later save, wins whole.
struct KeepMine {
    template <class Entry>
    Entry operator()(const Entry&, const Entry& mine, const Entry&) const
    {
        return mine;
    }
};

// A three-way merge by key. `base` is what this instance loaded, `mine` what it
// holds now, `current` what the file holds now. An entry this instance left as
// loaded takes the file's version (another instance's change or deletion
// stands); an entry it added, changed or deleted keeps that, and one both
// changed is what `bothChanged` (loaded, mine, file's) makes of the two. The file's entries
// keep their order, and this instance's new ones follow in its own order. An
// entry missing from a file that stopped early may lie beyond the stop, so it
// counts as still there.
template <class Entry, class SameKey, class SameContent, class BothChanged = KeepMine>
std::vector<Entry> MergeEntries(const std::vector<Entry>& base, const std::vector<Entry>& mine,
                                const std::vector<Entry>& current, FileNow now,
                                SameKey sameKey, SameContent sameContent,
                                BothChanged bothChanged = {})
{
    auto find = [&](const std::vector<Entry>& list, const Entry& entry) -> const Entry* {
        for (const Entry& e : list) {
            if (sameKey(e, entry))
                return &e;
        }
        return nullptr;
    };
    auto unchangedHere = [&](const Entry* loaded, const Entry* held) {
        if (!loaded || !held)
            return loaded == held;
        return sameContent(*loaded, *held);
    };
    std::vector<Entry> merged;
    for (const Entry& entry : current) {
        const Entry* held = find(mine, entry);
        const Entry* loaded = find(base, entry);
        if (unchangedHere(loaded, held))
            merged.push_back(entry);
        else if (held && loaded && !sameContent(*loaded, entry))
            merged.push_back(bothChanged(*loaded, *held, entry));
        else if (held)
            merged.push_back(*held);
    }
    for (const Entry& entry : mine) {
        if (find(current, entry))
            continue;
        const Entry* loaded = find(base, entry);
        const bool deletedElsewhere = loaded && sameContent(*loaded, entry) &&
                                      (now == FileNow::Whole || now == FileNow::WholeNotText);
        if (!deletedElsewhere)
            merged.push_back(entry);
    }
    return merged;
}

// Equal lists of entries, in order.
template <class Entry, class SameKey, class SameContent>
bool SameEntries(const std::vector<Entry>& a, const std::vector<Entry>& b, SameKey sameKey,
                 SameContent sameContent)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!sameKey(a[i], b[i]) || !sameContent(a[i], b[i]))
            return false;
    }
    return true;
}

// Saves `mine` into `path` merged with the file as it is now (read by
// `readNow`, which fills a list and says how far it got), taking `base` (null:
// unknown, so `mine` replaces the file as it always did) as what this instance
// loaded. A file that already holds the result keeps its text, comments and
// order; a missing or unreadable file is written from `mine`; a file that
// stopped reading early, could not be read, or held bytes that are not text is
// kept as its backup before it is replaced.
template <class Entry, class ReadNow, class WriteEntries, class SameKey, class SameContent,
          class BothChanged = KeepMine>
bool SaveMerged(const std::wstring& path, const std::vector<Entry>* base,
                const std::vector<Entry>& mine, ReadNow readNow, WriteEntries writeEntries,
                SameKey sameKey, SameContent sameContent, BothChanged bothChanged = {})
{
    const CSaveLock lock(path);
    std::vector<Entry> current;
    const FileNow now = readNow(current);
    // A file that is there but could not be read is copied first: if even that fails, it is
    // not replaced by entries that may be fewer than it holds.
    if (now == FileNow::Unreadable)
        return SaveFileSafely(path, [&](CFileWriter& writer) { return writeEntries(writer, mine); }, true);
    const std::vector<Entry> target =
        base ? MergeEntries(*base, mine, current, now, sameKey, sameContent, bothChanged) : mine;
    if (SameEntries(target, current, sameKey, sameContent))
        return true;
    return SaveFileSafely(path, [&](CFileWriter& writer) { return writeEntries(writer, target); },
                          now == FileNow::Stopped || now == FileNow::WholeNotText);
}
