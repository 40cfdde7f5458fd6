// CFileReader: lines cut out of one fixed-size buffer, with backward steps.
#include "engine/FileReader.h"

#include "engine/CodePage.h"

#include <algorithm>
#include <vector>

namespace {
const wchar_t kSeekBackFillFailed[] = L"CFileReader::SeekBack: FillBuffer failed";
const wchar_t kCountReturnFailed[] =
    L"CFileReader::CountLines: Unable to return to original file position!";
} // namespace

CFileReader::CFileReader(const wchar_t* fileName, uint32_t bufferSize)
    : m_bufferSize(bufferSize), m_delimiters(L"\n\r")
{
    m_file = CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file == INVALID_HANDLE_VALUE)
        throw L"CFileReader::CFileReader: unable to open the file";
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file, &size)) {
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        throw L"CFileReader::CFileReader: unable to get file size";
    }
    m_fileSize = size.QuadPart;
    if (bufferSize != 0) {
        try {
            m_buffer = new uint8_t[bufferSize];
        } catch (...) {
            CloseHandle(m_file);
            m_file = INVALID_HANDLE_VALUE;
            throw;
        }
    }
}

CFileReader::~CFileReader()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    delete[] m_buffer;
}

bool CFileReader::FillBuffer()
{
    if (m_bufferSize == 0)
        return false;
    DWORD read = 0;
    if (!ReadFile(m_file, m_buffer, m_bufferSize, &read, nullptr))
        return false;
    m_physical += read;
    m_byteCount = read;
    m_bufferPos = 0;
    if (read == 0)
        m_endOfFile = true;
    return true;
}

bool CFileReader::ReadRaw(uint8_t* target, uint32_t size, uint32_t& got)
{
    got = 0;
    if (m_bufferPos < m_byteCount)
        return false;
    DWORD read = 0;
    if (!ReadFile(m_file, target, size, &read, nullptr))
        return false;
    m_physical += read;
    got = read;
    if (read == 0)
        m_endOfFile = true;
    return true;
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
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (!SetFilePointerEx(m_file, to, nullptr, FILE_BEGIN))
        return false;
    m_physical = offset;
    return true;
}

void CFileReader::AppendConverted(std::wstring& line, uint32_t from, uint32_t to) const
{
    if (to <= from)
        return;
    const uint32_t count = to - from;
    const uint8_t* bytes = m_buffer + from;
    const CCodePage& cp = CCodePage::Ansi();
    const size_t old = line.size();
    if (cp.IsSingleByte()) {
        line.resize(old + count);
        wchar_t* out = line.data() + old;
        const wchar_t* table = cp.Table();
        for (uint32_t i = 0; i < count; ++i) {
            if (!cp.HasChar(bytes[i]))
                throw kCopyFailed;
            out[i] = table[bytes[i]];
        }
        return;
    }
    // A multi-byte code page: a line is only read when every byte is one
    // character, as in a single-byte one.
    line.resize(old + count);
    int n = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes),
                                static_cast<int>(count), line.data() + old,
                                static_cast<int>(count));
    if (n != static_cast<int>(count))
        throw kCopyFailed;
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

bool CFileReader::ReadLine(std::wstring& line)
{
    line.clear();
    if (!EnsureBytes())
        return false;
    for (;;) {
        const uint32_t count = m_byteCount;
        const uint32_t i = static_cast<uint32_t>(FindLineEnd(m_buffer, count, m_bufferPos));
        if (i < count) {
            AppendConverted(line, m_bufferPos, i);
            if (!StepPastLineEnd(i))
                throw kMoveFailed;
            return true;
        }
        AppendConverted(line, m_bufferPos, count);
        if (!FillBuffer())
            throw kFillFailed;
        if (m_byteCount == 0) {
            m_endOfFile = true;
            return true;   // the last line needs no line end
        }
    }
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
    return true;
}

bool CFileReader::Rewind()
{
    if (SetFilePointer(m_file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    m_physical = 0;
    m_bufferPos = 0;
    m_byteCount = 0;
    m_endOfFile = false;
    return true;
}

bool CFileReader::SeekBack(int32_t lines, int64_t from)
{
    int64_t found = 0;
    const int64_t wanted = static_cast<int64_t>(lines) + 1;
    int64_t end = from;               // the unscanned region ends here
    // A CR LF pair is one line end also when a block boundary falls between
    // the CR and the LF: a LF counted at a block's first byte makes the CR
    // that ends the block before it part of the same line end.
    bool skipTrailingCr = false;
    for (;;) {
        const int64_t physical = m_physical;
        const int64_t bufferStart = physical - m_byteCount;
        int64_t blockStart;
        uint32_t scanLength;
        if (bufferStart + 1024 < end && end < physical) {
            blockStart = bufferStart;
            scanLength = static_cast<uint32_t>(end - bufferStart);
        } else {
            if (end <= 0)
                return false;
            blockStart = std::max<int64_t>(0, end - static_cast<int64_t>(m_bufferSize));
            if (!MovePhysical(blockStart))
                return false;
            if (!FillBuffer())
                throw kSeekBackFillFailed;
            if (m_byteCount == 0) {
                m_endOfFile = true;
                return false;
            }
            scanLength = static_cast<uint32_t>(std::min<int64_t>(end - blockStart, m_byteCount));
        }
        const uint8_t* buffer = m_buffer;
        int64_t i = static_cast<int64_t>(scanLength) - 1;
        if (skipTrailingCr && i >= 0 && IsCrLf(buffer[i], '\n'))
            --i;
        skipTrailingCr = false;
        for (; i >= 0; --i) {
            const uint8_t b = buffer[i];
            if (!IsLineEnd(b))
                continue;
            if (++found == wanted) {
                m_bufferPos = static_cast<uint32_t>(i + 1);
                m_endOfFile = false;
                return true;
            }
            if (i > 0 && IsCrLf(buffer[i - 1], b))
                --i;
            else if (i == 0 && b == '\n')
                skipTrailingCr = true;
        }
        end = blockStart;
    }
}

bool CFileReader::SkipToNextLine()
{
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

int32_t CFileReader::CountLines(int64_t start, int64_t length)
{
    // Its own block, so that the reading buffer is left as it is. Larger than
    // a page: each read is a system call, and under wine those are slow.
    const uint32_t kBlock = 64 * 1024;
    std::vector<uint8_t> block(kBlock);
    LARGE_INTEGER to;
    to.QuadPart = start;
    if (!SetFilePointerEx(m_file, to, nullptr, FILE_BEGIN)) {
        MovePhysical(m_physical);
        return 0;
    }
    int32_t count = 0;
    uint8_t previous = 0;   // the byte before `start` counts as not CR
    int64_t remaining = length;
    while (remaining > 0) {
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(std::min<int64_t>(remaining, kBlock));
        if (!ReadFile(m_file, block.data(), want, &read, nullptr) || read == 0)
            break;
        for (DWORD i = 0; i < read; ++i) {
            const uint8_t b = block[i];
            if (IsLineEndByte(b) && !IsCrLf(previous, b))
                ++count;
            previous = b;
        }
        remaining -= read;
    }
    to.QuadPart = m_physical;
    if (!SetFilePointerEx(m_file, to, nullptr, FILE_BEGIN))
        throw kCountReturnFailed;
    return count;
}
