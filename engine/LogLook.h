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
