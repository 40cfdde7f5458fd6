// CLogMap: where a result's kept lines lie in its log, from the result's index alone, as rows of a strip.
#pragma once

#include "viewer/RowPainter.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// No kept line falls on the strip's row.
constexpr COLORREF kNoMapMark = 0xFFFFFFFF;

// The stretches of one log of a result, as its index records them, with the
// colour of each stretch's first line (read from the result, never the log).
// A stretch's bytes in the log are taken as its bytes in the result: the
// result holds the lines as the log does, give or take a context mark, which
// is nothing at the strip's scale.
class CLogMap {
public:
    // The log numbered `log` among the result's logs. False when the result has
    // no index that can be read; a map of a followed result loads the index a
    // step behind it.
    bool Load(const std::wstring& resultFile, uint32_t log, LineColorFunction color);
    // The index has changed on disk since Load (following sealed it again).
    bool Outdated() const;
    bool Empty() const { return m_stretches.empty(); }
    size_t Stretches() const { return m_stretches.size(); }

    // The colour of each of `height` rows for a log of `logSize` bytes: the
    // first stretch that reaches into a row gives it its colour. Only those
    // stretches' lines are read, and the rows are kept until the size changes.
    const std::vector<COLORREF>& Rows(int height, int64_t logSize);
    // Where a click on row `y` goes: the start of the first stretch on that
    // row, or the log offset the row stands for when none is.
    int64_t OffsetAtRow(int y, int height, int64_t logSize) const;
    // The row that the log offset falls on.
    static int RowOfOffset(int64_t offset, int height, int64_t logSize);

private:
    struct Stretch {
        int64_t logOffset;
        int64_t bytes;
        int64_t resultOffset;
    };
    uint64_t IndexStamp() const;
    COLORREF ColorOf(const Stretch& stretch) const;

    std::wstring m_result;
    uint64_t m_stamp = 0;
    std::vector<Stretch> m_stretches;   // in log order
    LineColorFunction m_color = nullptr;
    std::vector<COLORREF> m_rows;
    int64_t m_rowsLogSize = -1;
};
