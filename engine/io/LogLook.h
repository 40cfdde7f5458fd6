// CLogLook: a look at a log file from outside (is it there, which file is it,
// how big is it), cheap enough to take several times a second.
#pragma once

#include <cstdint>

struct CLogLook {
    bool exists = false;     // false: the name leads to no file
    bool readable = false;   // it exists and could be looked into
    uint64_t identity = 0;   // volume and file index: another file, another value
    int64_t size = 0;

    static CLogLook Of(const wchar_t* path);
};

// The size and last write time of a file by name, without opening it: the
// cheapest sign that a log has not changed since the last look. `valid` is
// false when the file cannot be queried.
struct CLogStamp {
    bool valid = false;
    int64_t size = 0;
    uint64_t written = 0;

    static CLogStamp Of(const wchar_t* path);
    bool operator==(const CLogStamp& other) const = default;
};

// What tells a file that is still as it was last written from one that another
// program has rewritten or replaced meanwhile: which file it is, its size and
// its last write time. `valid` is false when the file cannot be looked at.
struct CFileState {
    bool valid = false;
    uint64_t identity = 0;
    int64_t size = 0;
    uint64_t written = 0;

    static CFileState Of(const wchar_t* path);
    bool operator==(const CFileState& other) const = default;
};
