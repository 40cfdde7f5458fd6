// FindLineStart counts whole lines of the line buffer at the speed of the
// line-end counter and looks at single bytes only where the line starts.
#include "engine/io/FileLines.h"

#include "engine/io/FileReader.h"
#include "engine/io/LineBuffer.h"
#include "engine/text/ByteRules.h"
#include "engine/text/LineScan.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kBlock = 1u << 20;

// The file as a byte source; null when it cannot be opened. Its own buffer is
// not used: 8-bit files are read raw, UTF-16 ones by a reader of lines.
std::unique_ptr<CFileReader> OpenSource(const std::wstring& path)
{
    try {
        return std::make_unique<CFileReader>(path.c_str(), 0);
    } catch (...) {
        return nullptr;
    }
}

// A line at a time through the log reader: for logs whose line ends are not
// single bytes.
bool FindLineStartByReading(const std::wstring& path, int64_t number, int64_t& offset,
                            int64_t& lines)
{
    try {
        CFileReader reader(path.c_str(), kBlock);
        std::wstring text;
        for (lines = 0; lines < number - 1; ++lines) {
            if (!reader.ReadLine(text))
                return false;
        }
        return reader.GetPosition(offset) && offset < reader.GetSize();
    } catch (...) {
        return false;
    }
}

} // namespace

bool FindLineStart(const std::wstring& path, int64_t number, int64_t& offset, int64_t& lines)
{
    lines = 0;
    offset = 0;
    const std::unique_ptr<CFileReader> file = OpenSource(path);
    if (!file)
        return false;
    const int64_t size = file->Size();
    if (number <= 1)
        return number == 1 && size > 0;
    if (file->IsUtf16())
        return FindLineStartByReading(path, number, offset, lines);
    CLineBuffer buffer(kBlock);
    buffer.Restart(0);
    int64_t ends = 0;   // line ends before the buffer's position, a line start
    bool read = false;   // the file held a byte
    bool endsInLineEnd = false;   // the last byte read so far is a line end
    const int64_t wanted = number - 1;
    while (!buffer.AtEnd()) {
        if (!buffer.Fill(*file))
            return false;
        // Whole lines only: a CR LF pair is never cut between two counts.
        const size_t from = buffer.Pos();
        const size_t whole = buffer.WholeLinesEnd();
        const uint8_t* data = buffer.Data();
        CLineEndCounter counter;
        counter.Add(data + from, whole - from);
        const int64_t here = int64_t(counter.Count());
        if (ends + here >= wanted) {
            for (size_t i = from; i < whole; ++i) {
                if (!IsLineEndByte(data[i]))
                    continue;
                if (i + 1 < whole && IsCrLf(data[i], data[i + 1]))
                    ++i;
                if (++ends == wanted) {
                    offset = buffer.OffsetOf(i + 1);
                    if (offset < size)
                        return true;
                    lines = ends;   // the file's last line end: no line follows it
                    return false;
                }
            }
        }
        ends += here;
        if (whole > from) {
            read = true;
            endsInLineEnd = IsLineEndByte(data[whole - 1]);
        }
        buffer.SetPos(whole);
    }
    // A last line without a line end is a line too; a line end ends the last line.
    lines = ends + (read && !endsInLineEnd ? 1 : 0);
    return false;
}

bool LineNumberAt(const std::wstring& path, int64_t offset, int64_t& number)
{
    number = 1;
    const std::unique_ptr<CFileReader> file = OpenSource(path);
    if (!file)
        return false;
    if (file->IsUtf16()) {
        try {
            CFileReader reader(path.c_str(), kBlock);
            std::wstring text;
            int64_t at = 0;
            while (reader.GetPosition(at) && at < offset && reader.ReadLine(text))
                ++number;
            return true;
        } catch (...) {
            return false;
        }
    }
    std::vector<uint8_t> block(kBlock);
    CLineEndCounter counter;   // a CR LF pair split between two blocks counts once
    for (int64_t at = 0; at < offset;) {
        size_t got = 0;
        const size_t want = size_t(std::min<int64_t>(kBlock, offset - at));
        if (!ReadAt(*file, at, block.data(), want, got))
            return false;
        if (got == 0)
            break;
        counter.Add(block.data(), got);
        at += int64_t(got);
    }
    number = int64_t(counter.Count()) + 1;
    return true;
}
