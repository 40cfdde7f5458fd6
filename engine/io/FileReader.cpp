// CFileReader: lines cut out of one fixed-size buffer, with backward steps.
#include "engine/io/FileReader.h"

#include "engine/text/LineScan.h"

#include <algorithm>
#include <vector>

namespace {
const wchar_t kSeekBackFillFailed[] = L"CFileReader::SeekBack: FillBuffer failed";
const wchar_t kCountReturnFailed[] =
    L"CFileReader::CountLines: Unable to return to original file position!";
} // namespace

CFileReader::CFileReader(const wchar_t* fileName, uint32_t bufferSize, LineDecoding decoding)
    : m_bufferSize(bufferSize), m_delimiters(L"\n\r"),
      m_decoder(FileEncoding::Bytes, decoding)
{
    // A log is read while its service still writes, renames or deletes it, and
    // a result while it is being followed: share everything.
    m_file.Reset(CreateFileW(fileName, GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsOpen())
        throw L"CFileReader::CFileReader: unable to open the file";
    // The mark decides how every line is read; the file position goes back to 0.
    // It is read first: a file whose reads block (a hung share, a pipe) then
    // blocks here, in a read its run's Stop can cancel.
    uint8_t head[3] = {};
    DWORD got = 0;
    if (ReadFile(m_file.Get(), head, sizeof head, &got, nullptr)) {
        m_mark = DetectByteOrderMark(head, got);
        m_decoder = CLineDecoder(m_mark.encoding, decoding);
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file.Get(), &size))
        throw L"CFileReader::CFileReader: unable to get file size";
    m_fileSize = size.QuadPart;
    MovePhysical(0);
    if (bufferSize != 0)
        m_buffer.reset(new uint8_t[bufferSize]);
}

CFileReader::CFileReader(std::unique_ptr<CByteSource> stream, uint32_t bufferSize,
                         LineDecoding decoding)
    : m_fileSize(kStreamSize), m_bufferSize(bufferSize), m_delimiters(L"\n\r"),
      m_decoder(FileEncoding::Bytes, decoding), m_stream(std::move(stream))
{
    uint8_t head[3] = {};
    uint32_t got = 0;
    for (uint32_t part = 1; got < sizeof head && part > 0; got += part)
        if (!m_stream->Read(head + got, sizeof head - got, part))
            throw L"CFileReader::CFileReader: unable to read the stream";
    m_head.assign(reinterpret_cast<const char*>(head), got);
    m_streamAt = got;
    m_mark = DetectByteOrderMark(head, got);
    m_decoder = CLineDecoder(m_mark.encoding, decoding);
    if (bufferSize != 0)
        m_buffer.reset(new uint8_t[bufferSize]);
}

CFileReader::~CFileReader() = default;

bool CFileReader::ReadPhysical(uint8_t* target, uint32_t want, DWORD& read)
{
    read = 0;
    if (!m_stream)
        return ReadFile(m_file.Get(), target, want, &read, nullptr) != 0;
    while (read < want && m_physical + read < int64_t(m_head.size())) {
        target[read] = uint8_t(m_head[size_t(m_physical + read)]);
        ++read;
    }
    // The stream gives what it has; a file's read stops short only at its end.
    while (read < want) {
        uint32_t got = 0;
        if (!m_stream->Read(target + read, want - read, got))
            return false;
        if (got == 0)
            break;
        read += got;
        m_streamAt += got;
    }
    return true;
}

bool CFileReader::RefreshSize()
{
    if (m_stream)
        return true;   // a stream's end is only known when it comes
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file.Get(), &size))
        return false;
    m_fileSize = size.QuadPart;
    return true;
}

uint32_t CFileReader::Readable(uint32_t size) const
{
    if (m_readLimit < 0)
        return size;
    const int64_t left = m_readLimit - m_physical;
    return left <= 0 ? 0 : static_cast<uint32_t>(std::min<int64_t>(left, size));
}

bool CFileReader::FillBuffer()
{
    if (m_bufferSize == 0)
        return false;
    DWORD read = 0;
    const uint32_t want = Readable(FillSize());
    if (want != 0 && !ReadPhysical(m_buffer.get(), want, read))
        return false;
    m_physical += read;
    m_byteCount = read;
    m_bufferPos = 0;
    if (read == 0)
        NoteEnd(want);
    return true;
}

uint32_t CFileReader::FillSize() const
{
    // A read touches every page it may fill (wine checks the whole buffer), so
    // a small file's reader asks for what the file holds and a little more for
    // what it may have grown by: its buffer then costs what the file does.
    // A stream says nothing of its size: it fills the whole buffer.
    if (m_stream)
        return m_bufferSize;
    constexpr int64_t kGrowth = 64 * 1024;
    const int64_t known = std::max<int64_t>(0, m_fileSize - m_physical);
    return static_cast<uint32_t>(std::min<int64_t>(m_bufferSize, known + kGrowth));
}

bool CFileReader::ReadRaw(uint8_t* target, uint32_t size, uint32_t& got)
{
    got = 0;
    if (m_bufferPos < m_byteCount)
        return false;
    DWORD read = 0;
    const uint32_t want = Readable(size);
    if (want != 0 && !ReadPhysical(target, want, read))
        return false;
    m_physical += read;
    got = read;
    if (read == 0)
        NoteEnd(want);
    return true;
}

void CFileReader::NoteEnd(uint32_t wanted)
{
    m_endOfFile = true;
    // Bytes were wanted before the read limit and none came: the file has
    // shrunk under the reader, and the line its end cuts is not whole.
    if (wanted != 0 && m_readLimit >= 0 && m_physical < m_readLimit)
        m_cutShort = true;
}

bool CFileReader::MoveBufferPos(uint32_t newIndex)
{
    while (newIndex >= m_byteCount) {
        newIndex -= m_byteCount;
        if (!FillBuffer())
            return false;
        if (m_byteCount == 0) {
            m_endOfFile = true;
            m_bufferPos = 0;
            return true;
        }
    }
    m_bufferPos = newIndex;
    return true;
}

bool CFileReader::MovePhysical(int64_t offset)
{
    if (m_stream) {
        const int64_t head = int64_t(m_head.size());
        if (offset >= 0 && offset <= head && m_streamAt == head) {
            m_physical = offset;
            return true;
        }
        // Forward: the bytes between are read and dropped.
        std::vector<uint8_t> skipped(64 * 1024);
        for (m_physical = m_streamAt; m_physical < offset;) {
            DWORD read = 0;
            const uint32_t want = uint32_t(std::min<int64_t>(offset - m_physical, int64_t(skipped.size())));
            if (!ReadPhysical(skipped.data(), want, read) || read == 0)
                return false;
            m_physical += read;
        }
        return m_physical == offset;
    }
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN))
        return false;
    m_physical = offset;
    return true;
}

bool CFileReader::StepPastLineEnd(uint32_t index)
{
    const uint8_t end = m_buffer[index];
    if (index + 1 < m_byteCount)
        m_bufferPos = index + 1;
    else if (!MoveBufferPos(index + 1))
        return false;
    // Refilling inside MoveBufferPos keeps a CR LF pair split across two fills
    // one line end.
    if (m_bufferPos < m_byteCount && IsCrLf(end, m_buffer[m_bufferPos])) {
        if (m_bufferPos + 1 < m_byteCount)
            ++m_bufferPos;
        else if (!MoveBufferPos(m_bufferPos + 1))
            return false;
    }
    return true;
}

bool CFileReader::EnsureBytes()
{
    if (m_bufferPos < m_byteCount)
        return true;
    if (!FillBuffer())
        throw kFillFailed;
    if (m_byteCount == 0) {
        m_endOfFile = true;
        return false;
    }
    return true;
}

void CFileReader::SkipByteOrderMark()
{
    if (m_mark.length == 0 || m_physical - m_byteCount + m_bufferPos >= m_mark.length)
        return;
    if (!Seek(m_mark.length))
        throw kMoveFailed;
}

size_t CFileReader::KeptLength(const uint8_t* bytes, size_t length) const
{
    if (length <= m_keepBytes)
        return length;
    // Whole characters only: a UTF-8 sequence cut in two would make the line
    // read in the ANSI code page.
    length = m_keepBytes;
    for (size_t k = 1; k <= 4 && k <= length; ++k) {
        const uint8_t c = bytes[length - k];
        if ((c & 0xC0) == 0x80)
            continue;
        const size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return need > k ? length - k : length;
    }
    return length;
}

void CFileReader::Spill(const uint8_t* bytes, size_t count)
{
    const size_t held = m_spill.size();
    if (m_spillCut)
        return;
    // Up to one byte past what is kept, so that KeptLength sees it is cut.
    const size_t room = m_keepBytes == SIZE_MAX ? count : m_keepBytes + 1 - held;
    m_spill.append(reinterpret_cast<const char*>(bytes), std::min(count, room));
    if (m_spill.size() > m_keepBytes) {
        m_spill.resize(KeptLength(reinterpret_cast<const uint8_t*>(m_spill.data()), m_spill.size()));
        m_spillCut = true;
    }
}

bool CFileReader::ReadLineHead(std::wstring& line, size_t maxBytes)
{
    m_keepBytes = maxBytes;
    try {
        const bool read = ReadLine(line);
        m_keepBytes = SIZE_MAX;
        return read;
    } catch (...) {
        m_keepBytes = SIZE_MAX;
        throw;
    }
}

bool CFileReader::NextLineBytes(const uint8_t*& bytes, size_t& length)
{
    if (!EnsureBytes())
        return false;
    m_spill.clear();
    m_spillCut = false;
    bool spilled = false;
    for (;;) {
        const uint32_t count = m_byteCount;
        const uint32_t i = static_cast<uint32_t>(FindLineEnd(m_buffer.get(), count, m_bufferPos));
        const uint8_t* start = m_buffer.get() + m_bufferPos;
        if (i < count) {
            // Stepping past a line end near the end of the buffer may refill
            // it: the line is kept aside first.
            if (spilled || i + 2 >= count) {
                Spill(start, i - m_bufferPos);
                spilled = true;
                bytes = reinterpret_cast<const uint8_t*>(m_spill.data());
                length = m_spill.size();
            } else {
                bytes = start;
                length = KeptLength(start, i - m_bufferPos);
            }
            if (!StepPastLineEnd(i))
                throw kMoveFailed;
            return true;
        }
        Spill(start, count - m_bufferPos);
        spilled = true;
        if (!FillBuffer())
            throw kFillFailed;
        if (m_byteCount == 0) {
            m_endOfFile = true;
            if (m_cutShort)
                return false;
            bytes = reinterpret_cast<const uint8_t*>(m_spill.data());
            length = m_spill.size();
            return true;   // the last line needs no line end
        }
    }
}

bool CFileReader::TakeUnit(uint16_t& unit)
{
    uint8_t pair[2];
    if (m_bufferPos + 1 < m_byteCount) {
        pair[0] = m_buffer[m_bufferPos];
        pair[1] = m_buffer[m_bufferPos + 1];
        m_bufferPos += 2;
    } else {
        // A unit split across two fills.
        for (uint8_t& b : pair) {
            if (!EnsureBytes())
                return false;
            b = m_buffer[m_bufferPos++];
        }
    }
    unit = m_mark.encoding == FileEncoding::Utf16Le ? uint16_t(pair[0] | (pair[1] << 8))
                                                    : uint16_t((pair[0] << 8) | pair[1]);
    return true;
}

namespace {
// A std::wstring as the sink of a UTF-16 line.
class CStringSink : public CUnitSink {
public:
    explicit CStringSink(std::wstring& text) : m_text(text) {}
    wchar_t* Extend(size_t more) override
    {
        m_kept = m_text.size();
        m_text.resize(m_kept + more);
        return m_text.data() + m_kept;
    }
    void Commit(size_t count) override { m_text.resize(m_kept + count); }
    void Clear() override { m_text.clear(); }

private:
    std::wstring& m_text;
    size_t m_kept = 0;
};
} // namespace

bool CFileReader::ReadUnitsLine(CUnitSink& line)
{
    // The same line ends as in 8-bit text, as characters: LF, CR, CR LF, zero.
    // Runs of units are found sixteen bytes at a time and copied whole.
    const bool little = m_mark.encoding == FileEncoding::Utf16Le;
    bool any = false;   // something of this line was read
    uint16_t end = 0;
    for (;;) {
        const uint32_t units = (m_byteCount - m_bufferPos) / 2;
        if (units == 0) {
            // A unit split across two fills, or an exhausted buffer.
            if (!TakeUnit(end)) {
                if (any && m_cutShort) {
                    line.Clear();
                    return false;
                }
                return any;   // the last line needs no line end
            }
            any = true;
            if (IsLineEndUnit(end))
                break;
            *line.Extend(1) = static_cast<wchar_t>(end);
            line.Commit(1);
            continue;
        }
        const uint8_t* data = m_buffer.get() + m_bufferPos;
        const size_t run = FindLineEndUnit(data, units, little);
        wchar_t* out = line.Extend(run);
        for (size_t k = 0; k < run; ++k)
            out[k] = static_cast<wchar_t>(UnitAt(data, k, little));
        line.Commit(run);
        any = true;
        if (run < units) {
            end = UnitAt(data, run, little);
            m_bufferPos += static_cast<uint32_t>(2 * (run + 1));
            break;
        }
        m_bufferPos += 2 * units;
    }
    if (end != '\r')
        return true;
    // A LF right after the CR belongs to the same line end.
    if (m_bufferPos + 1 < m_byteCount) {
        if (UnitAt(m_buffer.get() + m_bufferPos, 0, little) == '\n')
            m_bufferPos += 2;
        return true;
    }
    const int64_t at = m_physical - m_byteCount + m_bufferPos;
    uint16_t next = 0;
    if (TakeUnit(next) && next != '\n' && !Seek(at))
        throw kMoveFailed;
    return true;
}

void CFileReader::DecodeLine(const uint8_t* bytes, size_t length, std::wstring& line) const
{
    line.resize(length);
    line.resize(m_decoder.Decode(bytes, length, line.data()));
}

bool CFileReader::ReadLine(std::wstring& line)
{
    line.clear();
    SkipByteOrderMark();
    if (IsUtf16()) {
        CStringSink sink(line);
        return ReadUnitsLine(sink);
    }
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    if (!NextLineBytes(bytes, length))
        return false;
    DecodeLine(bytes, length, line);
    return true;
}

bool CFileReader::GetPosition(int64_t& position) const
{
    position = m_physical - m_byteCount + m_bufferPos;
    return true;
}

bool CFileReader::Seek(int64_t offset)
{
    if (!MovePhysical(offset))
        return false;
    m_bufferPos = 0;
    m_byteCount = 0;
    m_endOfFile = false;
    m_cutShort = false;
    return true;
}

bool CFileReader::Rewind()
{
    if (m_stream)
        return Seek(0);
    if (SetFilePointer(m_file.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    m_physical = 0;
    m_bufferPos = 0;
    m_byteCount = 0;
    m_endOfFile = false;
    m_cutShort = false;
    return true;
}

namespace {
// The characters of the buffer as SeekBack scans them: the bytes of 8-bit
// text, or the UTF-16 units of a file that starts with a UTF-16 mark.
struct ByteChars {
    static constexpr int64_t kWidth = 1;
    uint16_t At(const uint8_t* data, int64_t index) const { return data[index]; }
};
struct UnitChars {
    static constexpr int64_t kWidth = 2;
    bool little;
    uint16_t At(const uint8_t* data, int64_t index) const
    {
        return UnitAt(data, static_cast<size_t>(index), little);
    }
};
} // namespace

bool CFileReader::SeekBack(int32_t lines, int64_t from)
{
    if (IsUtf16())
        return SeekBackIn(lines, from, UnitChars{m_mark.encoding == FileEncoding::Utf16Le});
    return SeekBackIn(lines, from, ByteChars{});
}

template <typename Chars>
bool CFileReader::SeekBackIn(int32_t lines, int64_t from, Chars chars)
{
    constexpr int64_t kWidth = Chars::kWidth;
    int64_t found = 0;
    const int64_t wanted = static_cast<int64_t>(lines) + 1;
    // The unscanned region ends here, at the start of the character holding `from`.
    int64_t end = from - from % kWidth;
    // A CR LF pair is one line end also when a block boundary falls between
    // the CR and the LF: a LF counted at a block's first character makes the
    // CR that ends the block before it part of the same line end.
    bool skipTrailingCr = false;
    for (;;) {
        const int64_t physical = m_physical;
        const int64_t bufferStart = physical - m_byteCount;
        int64_t blockStart;
        int64_t scanChars;
        if (bufferStart % kWidth == 0 && bufferStart + 1024 < end && end < physical) {
            blockStart = bufferStart;
            scanChars = (end - bufferStart) / kWidth;
        } else {
            if (end <= 0)
                return false;
            const int64_t span = m_bufferSize - m_bufferSize % kWidth;
            blockStart = std::max<int64_t>(0, end - span);
            if (!MovePhysical(blockStart))
                return false;
            if (!FillBuffer())
                throw kSeekBackFillFailed;
            if (m_byteCount == 0) {
                m_endOfFile = true;
                return false;
            }
            scanChars = std::min<int64_t>(end - blockStart, m_byteCount) / kWidth;
        }
        const uint8_t* buffer = m_buffer.get();
        int64_t i = scanChars - 1;
        if (skipTrailingCr && i >= 0 && chars.At(buffer, i) == '\r')
            --i;
        skipTrailingCr = false;
        for (; i >= 0; --i) {
            const uint16_t c = chars.At(buffer, i);
            if (!IsLineEndUnit(c))
                continue;
            if (++found == wanted) {
                m_bufferPos = static_cast<uint32_t>((i + 1) * kWidth);
                m_endOfFile = false;
                return true;
            }
            if (i > 0 && c == '\n' && chars.At(buffer, i - 1) == '\r')
                --i;
            else if (i == 0 && c == '\n')
                skipTrailingCr = true;
        }
        end = blockStart;
    }
}

bool CFileReader::SkipToNextLine()
{
    if (IsUtf16())
        return SkipToNextUnitLine();
    int64_t position = 0;
    GetPosition(position);
    if (position == 0)
        return true;
    if (!EnsureBytes())
        return false;
    while (!IsLineEnd(m_buffer[m_bufferPos])) {
        if (!MoveBufferPos(m_bufferPos + 1) || m_byteCount == 0)
            return true;
    }
    StepPastLineEnd(m_bufferPos);   // a failed refill leaves it where it got to
    return true;
}

bool CFileReader::SkipToNextUnitLine()
{
    int64_t position = 0;
    GetPosition(position);
    if (position <= m_mark.length)
        return true;   // the first line starts at the mark
    uint16_t unit = 0;
    do {
        if (!TakeUnit(unit))
            return true;   // the end of the file
    } while (!IsLineEndUnit(unit));
    if (unit != '\r')
        return true;
    // A LF right after the CR belongs to the same line end.
    GetPosition(position);
    uint16_t next = 0;
    if (TakeUnit(next) && next != '\n' && !Seek(position))
        throw kMoveFailed;
    return true;
}

int32_t CFileReader::CountLines(int64_t start, int64_t length)
{
    // Its own block, so that the reading buffer is left as it is. Large: each
    // read is a system call, and under wine those are slow.
    const uint32_t kBlock = 1024 * 1024;
    std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(length, 1), kBlock)));
    LARGE_INTEGER to;
    // Whole characters: a UTF-16 count starts at a unit boundary.
    if (IsUtf16() && start % 2 != 0) {
        ++start;
        --length;
    }
    to.QuadPart = start;
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN)) {
        MovePhysical(m_physical);
        return 0;
    }
    // The character before `start` counts as not CR.
    CLineEndCounter bytes;
    CUnitLineEndCounter units(m_mark.encoding == FileEncoding::Utf16Le);
    int64_t remaining = length;
    while (remaining > 0) {
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(std::min<int64_t>(remaining, block.size()));
        if (!ReadFile(m_file.Get(), block.data(), want, &read, nullptr) || read == 0)
            break;
        if (IsUtf16())
            units.Add(block.data(), read / 2);   // a lone last byte is no character
        else
            bytes.Add(block.data(), read);
        remaining -= read;
    }
    to.QuadPart = m_physical;
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN))
        throw kCountReturnFailed;
    return static_cast<int32_t>(IsUtf16() ? units.Count() : bytes.Count());
}
