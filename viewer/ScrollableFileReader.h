// CScrollableFileReader: a result file read by blocks of up to 1024 lines, with a top line.
#pragma once

#include "engine/io/FileReader.h"
#include "engine/match/FilterMatcher.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

class CLiteralSearch;

// Positions are byte offsets, never line numbers: the whole file is never
// counted, and memory stays one block of lines plus the 1 MiB read buffer
// whatever the size of the file. Line k means the k-th line below the top line.
class CScrollableFileReader : public CFileReader {
public:
    static constexpr uint32_t kBlockLines = 0x400;
    static constexpr uint32_t kBufferSize = 0x100000;
    // The most of a line a block holds: what the view can show of it,
    // scrolled to its far right. A longer line is read past, not held.
    static constexpr size_t kShownLineBytes = 0x100000;

    // Opens the file and reads the first block. Throws what the base throws
    // (wide texts) and CStringException from ReadBlock.
    // `decoding` says how lines without a byte-order mark are read.
    explicit CScrollableFileReader(const wchar_t* path,
                                   LineDecoding decoding = LineDecoding::Utf8WhereValid);
    ~CScrollableFileReader() override;

    // Replaces the block with up to 1024 lines from the current position.
    void ReadBlock();

    const wchar_t* GetLineText(uint32_t k) const;
    uint32_t GetLineLength(uint32_t k) const;
    // Where line k starts in the file; false past the block.
    bool RowOffset(uint32_t k, int64_t& offset) const;
    bool GetTopPosition(int64_t& offset) const;
    bool ScrollBy(int32_t lines, uint32_t pageLines);
    bool SeekTo(int64_t offset, uint32_t pageLines);

    // The file has grown or shrunk: takes its size again and reads the block
    // again from the top line (from the last page when that line is gone).
    // With `toEnd`, shows the last page instead when the lines from the top
    // line to the end no longer fit on one.
    void Reload(uint32_t pageLines, bool toEnd);
    // The file's last line (or, for an empty file, its end) is on the page.
    bool EndOnPage(uint32_t pageLines) const
    {
        return BlockReachesEnd() && m_count - m_topIndex <= std::max<uint32_t>(pageLines, 1);
    }

    // Searches move the matching line to the top; on failure the top line is
    // the one shown before. No wrap-around in either direction.
    bool FindForward(const CFilterMatcher& expression, uint32_t pageLines);
    bool FindBackward(const CFilterMatcher& expression, uint32_t pageLines);
    // Off: every line past the block is read and matched, the reference the
    // search on raw bytes is tested against. On by default.
    void AllowLiteralSearch(bool allow) { m_literalSearch = allow; }

    // True when the block ends where the file ends, so a row past the block is
    // past the end of the file rather than merely outside the cache.
    bool BlockReachesEnd() const { return m_blockEnd >= GetSize(); }

    // Where the top line itself starts (the block start for an empty block).
    int64_t TopLineOffset() const
    {
        return m_topIndex < m_count ? m_offsets[m_topIndex] : m_blockStart;
    }
    // The top line is the first line of the file.
    bool AtFirstLine() const { return m_blockStart == 0 && m_topIndex == 0 && m_count > 0; }

    uint32_t TopIndex() const { return m_topIndex; }
    uint32_t LineCount() const { return m_count; }
    int64_t BlockStart() const { return m_blockStart; }
    int64_t LastOffset() const { return m_lastOffset; }
    int64_t LineOffset(uint32_t index) const { return m_offsets[index]; }

private:
    void FillBlock();
    // The searches past the block on raw bytes, for an expression that gives
    // literals; they leave the reader as the line-by-line searches would.
    bool FindFollowing(CLiteralSearch& literal, uint32_t pageLines);
    bool FindPreceding(CLiteralSearch& literal, uint32_t savedTop);
    // Moves the base to the first line start at or after the offset.
    bool MoveToLineStart(int64_t offset);
    // Moves the base to the start of the line `lines` lines above the one that
    // begins at (or, at the end of a file without a final line end, holds) `from`.
    bool MoveAbove(uint32_t lines, int64_t from);
    bool IsLineStart(int64_t offset);
    static uint32_t KeepLimit(uint32_t pageLines);

    // The texts are kept allocated between blocks; m_count says how many hold lines.
    std::vector<std::wstring> m_texts;
    std::vector<int64_t> m_offsets;
    uint32_t m_count = 0;
    uint32_t m_topIndex = 0;
    int64_t m_blockStart = 0;
    // Where the block's last read attempt began: the start of line 1023 of a
    // full block, or where the end of the file was found.
    int64_t m_lastOffset = 0;
    // The position just after the block's last line.
    int64_t m_blockEnd = 0;
    bool m_literalSearch = true;
};
