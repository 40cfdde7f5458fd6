// CScrollableFileReader: block reads, moves by lines and offsets, and the two searches.
#include "viewer/ScrollableFileReader.h"

#include "win32/StringException.h"
#include "viewer/LiteralSearch.h"

#include <algorithm>
#include <climits>
#include <new>

namespace {
const wchar_t kReadBlock[] = L"CScrollableFileReader::ReadBlock";
const wchar_t kNoPosition[] = L"Unable to get string position";
const wchar_t kUnknown[] = L"Unknown Error";
const wchar_t kFillFailed[] = L"CScrollableFileReader::SeekTo: FillBuffer failed";

// Runs a step that reads the file, with the errors a block read gives: the
// base throws plain wide texts, the view expects CStringException with the
// block read as the source. Allocation failure stays what it is.
template <typename Step>
auto AsBlockRead(Step step)
{
    try {
        return step();
    } catch (const CStringException&) {
        throw;
    } catch (const wchar_t* text) {
        throw CStringException(kReadBlock, text);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        throw CStringException(kReadBlock, kUnknown);
    }
}
} // namespace

CScrollableFileReader::CScrollableFileReader(const wchar_t* path, LineDecoding decoding)
    : CFileReader(path, kBufferSize, decoding), m_texts(kBlockLines), m_offsets(kBlockLines, 0)
{
    ReadBlock();
}

CScrollableFileReader::~CScrollableFileReader() = default;

void CScrollableFileReader::ReadBlock()
{
    AsBlockRead([this] { FillBlock(); });
}

void CScrollableFileReader::FillBlock()
{
    m_count = 0;
    m_topIndex = 0;
    for (uint32_t i = 0; i < kBlockLines; ++i) {
        int64_t position = 0;
        if (!GetPosition(position))
            throw CStringException(kReadBlock, kNoPosition);
        if (i == 0)
            m_blockStart = position;
        m_lastOffset = position;
        if (!ReadLineHead(m_texts[i], kShownLineBytes))
            break;
        m_offsets[i] = position;
        ++m_count;
    }
    GetPosition(m_blockEnd);
}

const wchar_t* CScrollableFileReader::GetLineText(uint32_t k) const
{
    const uint64_t index = uint64_t(m_topIndex) + k;
    return index < m_count ? m_texts[size_t(index)].c_str() : nullptr;
}

uint32_t CScrollableFileReader::GetLineLength(uint32_t k) const
{
    const uint64_t index = uint64_t(m_topIndex) + k;
    return index < m_count ? uint32_t(m_texts[size_t(index)].size()) : 0;
}

bool CScrollableFileReader::RowOffset(uint32_t k, int64_t& offset) const
{
    const uint64_t index = uint64_t(m_topIndex) + k;
    if (index >= m_count)
        return false;
    offset = m_offsets[size_t(index)];
    return true;
}

bool CScrollableFileReader::GetTopPosition(int64_t& offset) const
{
    // The last line of the block stands for the position after it, so a view
    // whose top line is the file's last line reads 100 %. The recorded block
    // end is used rather than the live file position, which searches and
    // line-start checks move. The file's first line is always 0: a file of
    // one line opens at the top, like any other.
    if (m_count == 0 || (m_topIndex == m_count - 1 && !AtFirstLine())) {
        offset = m_blockEnd;
        return true;
    }
    if (m_topIndex < m_count) {
        offset = m_offsets[m_topIndex];
        return true;
    }
    return false;
}

// The highest top index that still keeps a page of lines below it in the
// block. A page of at least one line: with none, a move past a full block
// would keep re-reading the same block and never advance.
uint32_t CScrollableFileReader::KeepLimit(uint32_t pageLines)
{
    const uint32_t page = std::clamp<uint32_t>(pageLines, 1, kBlockLines);
    return kBlockLines - page;
}

bool CScrollableFileReader::ScrollBy(int32_t lines, uint32_t pageLines)
{
    const int64_t index = int64_t(m_topIndex) + lines;
    if (index < 0) {
        const int64_t above = std::min<int64_t>(-index, INT32_MAX);
        if (!MoveAbove(uint32_t(above), m_blockStart))
            return false;
        ReadBlock();
        return true;
    }
    if (index >= int64_t(m_count))
        return SeekTo(m_lastOffset, pageLines);
    if (index <= int64_t(KeepLimit(pageLines))) {
        m_topIndex = uint32_t(index);
        return true;
    }
    return SeekTo(m_offsets[size_t(index)], pageLines);
}

void CScrollableFileReader::Reload(uint32_t pageLines, bool toEnd)
{
    const int64_t top = TopLineOffset();
    if (!RefreshSize())
        throw CStringException(kReadBlock, kUnknown);
    const uint32_t page = std::max<uint32_t>(pageLines, 1);
    if (top <= GetSize() && Seek(top)) {
        ReadBlock();
        if (!toEnd || EndOnPage(page))
            return;
    }
    // The last page: the last line at the bottom, above the end marker's row.
    if (!MoveAbove(page - 1, GetSize()))
        Rewind();
    ReadBlock();
}

bool CScrollableFileReader::SeekTo(int64_t offset, uint32_t pageLines)
{
    // The byte-order mark belongs to the first line's place: an offset in it
    // or just after it is the first line's start.
    if (offset <= MarkLength())
        offset = 0;
    if (m_count > 0 && m_blockStart <= offset && offset <= m_lastOffset) {
        for (uint32_t i = 0; i < m_count; ++i) {
            if (m_offsets[i] < offset)
                continue;
            // Strictly below the limit, where ScrollBy accepts the limit itself.
            if (i < KeepLimit(pageLines)) {
                m_topIndex = i;
                return true;
            }
            if (!Seek(m_offsets[i]))
                continue;
            ReadBlock();
            return true;
        }
    }
    if (!MoveToLineStart(offset))
        return false;
    ReadBlock();
    return true;
}

bool CScrollableFileReader::MoveToLineStart(int64_t offset)
{
    if (offset <= MarkLength())
        return Seek(0);   // as in SeekTo
    // Line starts lie between characters: an offset inside a UTF-16 unit
    // stands for the unit after it, and a lone byte at the end is no character.
    const int64_t width = CharWidth();
    offset += (width - offset % width) % width;
    if (offset + width > GetSize())
        return Seek(GetSize());
    // Read from the character before the offset: it says whether a line starts
    // at the offset. The place between the CR and the LF of a pair is no line start.
    if (!Seek(offset - width))
        return false;
    if (!FillBuffer())
        throw kFillFailed;
    if (m_byteCount < 2 * width)
        return Seek(offset);
    m_bufferPos = uint32_t(width);
    if (StartsLineAfterChar(BufferChar(0), BufferChar(1)))
        return true;
    SkipToNextLine();
    return true;
}

bool CScrollableFileReader::IsLineStart(int64_t offset)
{
    const int64_t width = CharWidth();
    offset -= offset % width;
    if (offset <= MarkLength())
        return true;
    if (!Seek(offset - width))
        return false;
    if (!FillBuffer())
        throw kFillFailed;
    if (m_byteCount < width)
        return true;
    // At the end of the file nothing follows `before` that could pair with it.
    return StartsLineAfterChar(BufferChar(0), m_byteCount >= 2 * width ? BufferChar(1) : 0);
}

bool CScrollableFileReader::MoveAbove(uint32_t lines, int64_t from)
{
    // A block that starts at the end of a file whose last line has no line
    // end: that last line holds `from`, and it is the first line above.
    uint32_t steps = lines;
    if (steps > 0 && from > 0 && from >= GetSize() && !IsLineStart(from))
        --steps;
    if (SeekBack(int32_t(std::min<uint32_t>(steps, INT32_MAX)), from))
        return true;
    // Fewer lines above than asked: the first line of the file.
    return Seek(0);
}

bool CScrollableFileReader::FindForward(const CFilterMatcher& expression, uint32_t pageLines)
{
    if (m_count == 0)
        return false;
    const int64_t savedStart = m_blockStart;
    const uint32_t savedTop = m_topIndex;

    for (uint32_t j = m_topIndex + 1; j < m_count; ++j) {
        if (expression.MatchesText(m_texts[j].c_str()))
            return ScrollBy(int32_t(j - m_topIndex), pageLines);
    }
    CLiteralSearch literal;
    if (m_literalSearch && m_count == kBlockLines && !BlockReachesEnd() &&
        literal.Build(expression, *this))
        return FindFollowing(literal, pageLines);
    bool moved = false;
    while (m_count == kBlockLines && !BlockReachesEnd()) {
        // Usually the file position is still just after the block, and the
        // buffered bytes can be used as they are.
        int64_t position = 0;
        GetPosition(position);
        if (position != m_blockEnd && !Seek(m_blockEnd))
            break;
        ReadBlock();
        moved = true;
        for (uint32_t j = 0; j < m_count; ++j) {
            if (expression.MatchesText(m_texts[j].c_str()))
                return ScrollBy(int32_t(j), pageLines);
        }
    }
    if (moved && Seek(savedStart)) {
        ReadBlock();
        m_topIndex = std::min(savedTop, m_count ? m_count - 1 : 0);
    }
    return false;
}

bool CScrollableFileReader::FindBackward(const CFilterMatcher& expression, uint32_t pageLines)
{
    (void)pageLines;   // the found line always begins a fresh block
    const uint32_t savedTop = m_topIndex;
    while (m_topIndex > 0) {
        --m_topIndex;
        if (expression.MatchesText(m_texts[m_topIndex].c_str()))
            return true;
    }

    CLiteralSearch literal;
    if (m_literalSearch && literal.Build(expression, *this))
        return FindPreceding(literal, savedTop);

    // Above the block the lines are read a block at a time, backwards, and
    // tested from memory nearest first: the same lines in the same order as
    // stepping back one line at a time, at a fraction of the reads.
    std::vector<std::wstring> texts(kBlockLines + 1);
    std::vector<int64_t> offsets(kBlockLines + 1);
    int64_t end = m_blockStart;
    while (end > 0) {
        if (!MoveAbove(kBlockLines, end))
            break;
        size_t n = 0;
        int64_t position = 0;
        while (GetPosition(position) && position < end) {
            if (n == texts.size()) {
                texts.resize(n * 2);
                offsets.resize(n * 2);
            }
            if (!ReadLine(texts[n]))
                break;
            offsets[n] = position;
            ++n;
        }
        if (n == 0 || offsets[0] >= end)
            break;   // no progress: never loop for ever
        for (size_t i = n; i-- > 0;) {
            if (expression.MatchesText(texts[i].c_str())) {
                if (!Seek(offsets[i])) {
                    m_topIndex = savedTop;
                    return false;
                }
                ReadBlock();
                return true;
            }
        }
        end = offsets[0];
    }
    m_topIndex = savedTop;
    return false;
}

bool CScrollableFileReader::FindFollowing(CLiteralSearch& literal, uint32_t pageLines)
{
    uint64_t lines = 0;
    const int64_t found = AsBlockRead([&] { return literal.FindForward(*this, m_blockEnd, lines); });
    if (found < 0)
        return false;   // the block and its top line were never left
    // Line by line, the following blocks of 1024 lines are read one after
    // another and the match is scrolled to inside the one that holds it, or
    // begins a block of its own when too few lines follow it there: the same
    // block is read here, from the count of the lines passed over.
    const uint32_t index = uint32_t(lines % kBlockLines);
    if (index > 0 && index <= KeepLimit(pageLines) &&
        AsBlockRead([&] { return SeekBack(int32_t(index), found); })) {
        ReadBlock();
        if (index < m_count && m_offsets[index] == found) {
            m_topIndex = index;
            return true;
        }
    }
    if (!Seek(found))
        return false;
    ReadBlock();
    return true;
}

bool CScrollableFileReader::FindPreceding(CLiteralSearch& literal, uint32_t savedTop)
{
    const int64_t found = AsBlockRead([&] { return literal.FindBackward(*this, m_blockStart); });
    if (found < 0 || !Seek(found)) {
        m_topIndex = savedTop;
        return false;
    }
    ReadBlock();
    return true;
}
