// Decompressing a .gz log, or a member of a .zip, into a file for viewing, while the free space of
// the disk it goes to is watched.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

enum class UnpackEnd {
    Completed,
    Stopped,    // asked to stop: what was written stays
    DiskLow,    // the disk came close to full: what was written stays
    Failed,     // the log could not be read or the copy written
};

struct CUnpackOutcome {
    UnpackEnd end = UnpackEnd::Failed;
    int64_t written = 0;
    std::wstring damage;   // DamageText of a damaged stream, which ended it early
};

// What the copy asks of the one who waits for it; called on the unpacking thread.
struct CUnpackWatch {
    std::function<bool()> stopRequested;
    std::function<void(int percent)> progress;   // of the compressed bytes read
};

// The free space a copy leaves on a disk of `total` bytes: a twentieth of it,
// at least 1 MiB and at most 256 MiB.
int64_t UnpackReserve(int64_t total);

// Writes the decompressed bytes of the gzip log `packed`, or of its zip
// member named `member` when one is given, to `target` (an empty file open
// for writing) in `folder`, checking before each write that the disk of
// `folder` keeps its reserve: a full disk never results.
CUnpackOutcome UnpackLog(const std::wstring& packed, const std::wstring& member, HANDLE target,
                         const std::wstring& folder, const CUnpackWatch& watch);
