// FindLineStart counts whole blocks at the speed of the line-end counter and
// looks at single bytes only in the block where the line starts.
#include "engine/io/FileLines.h"

#include "engine/text/ByteRules.h"
#include "engine/io/FileReader.h"
#include "engine/text/LineScan.h"

#include <algorithm>
#include <vector>

HANDLE OpenSharedForReading(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool ReadAt(HANDLE file, int64_t offset, void* target, uint32_t size, uint32_t& got)
{
    OVERLAPPED at{};
    at.Offset = DWORD(uint64_t(offset));
    at.OffsetHigh = DWORD(uint64_t(offset) >> 32);
    DWORD read = 0;
    got = 0;
    if (!ReadFile(file, target, size, &read, &at))
        return GetLastError() == ERROR_HANDLE_EOF;
    got = read;
    return true;
}

namespace {

bool IsUtf16(const std::wstring& path)
{
    try {
        CFileReader reader(path.c_str(), 0);
        return reader.Encoding() == FileEncoding::Utf16Le ||
               reader.Encoding() == FileEncoding::Utf16Be;
    } catch (...) {
        return false;
    }
}

// A line at a time through the log reader: for logs whose line ends are not
// single bytes.
bool FindLineStartByReading(const std::wstring& path, int64_t number, int64_t& offset,
                            int64_t& lines)
{
    try {
        CFileReader reader(path.c_str(), 1u << 20);
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
    CFileHandle file(OpenSharedForReading(path));
    LARGE_INTEGER size{};
    if (!file.IsOpen() || !GetFileSizeEx(file.Get(), &size))
        return false;
    if (number <= 1)
        return number == 1 && size.QuadPart > 0;
    if (IsUtf16(path))
        return FindLineStartByReading(path, number, offset, lines);
    constexpr uint32_t kBlock = 1u << 20;
    // One byte more than a block is read: a CR at the block's end pairs with
    // a LF that the next block starts with, and the pair is one line end.
    std::vector<uint8_t> block(kBlock + 1);
    int64_t at = 0;
    int64_t ends = 0;   // line ends before `at`; `at` is always a line start
    bool endsInLineEnd = false;   // the last byte read so far is a line end
    const int64_t wanted = number - 1;
    while (at < size.QuadPart) {
        uint32_t got = 0;
        if (!ReadAt(file.Get(), at, block.data(), kBlock + 1, got))
            return false;
        if (got == 0)
            break;
        uint32_t take = got > kBlock ? kBlock : got;
        if (got > kBlock && IsCrLf(block[kBlock - 1], block[kBlock]))
            ++take;   // keep the pair together
        CLineEndCounter counter;   // `at` is a line start
        counter.Add(block.data(), take);
        const int64_t here = int64_t(counter.Count());
        if (ends + here >= wanted) {
            for (uint32_t i = 0; i < take; ++i) {
                if (!IsLineEndByte(block[i]))
                    continue;
                if (i + 1 < take && IsCrLf(block[i], block[i + 1]))
                    ++i;
                if (++ends == wanted) {
                    offset = at + i + 1;
                    if (offset < size.QuadPart)
                        return true;
                    lines = ends;   // the file's last line end: no line follows it
                    return false;
                }
            }
        }
        ends += here;
        at += take;
        endsInLineEnd = IsLineEndByte(block[take - 1]);
    }
    // A last line without a line end is a line too; a line end ends the last line.
    lines = ends + (at > 0 && !endsInLineEnd ? 1 : 0);
    return false;
}

bool LineNumberAt(const std::wstring& path, int64_t offset, int64_t& number)
{
    number = 1;
    if (IsUtf16(path)) {
        try {
            CFileReader reader(path.c_str(), 1u << 20);
            std::wstring text;
            int64_t at = 0;
            while (reader.GetPosition(at) && at < offset && reader.ReadLine(text))
                ++number;
            return true;
        } catch (...) {
            return false;
        }
    }
    CFileHandle file(OpenSharedForReading(path));
    if (!file.IsOpen())
        return false;
    constexpr uint32_t kBlock = 1u << 20;
    std::vector<uint8_t> block(kBlock);
    CLineEndCounter counter;   // a CR LF pair split between two blocks counts once
    for (int64_t at = 0; at < offset;) {
        uint32_t got = 0;
        const uint32_t want = uint32_t(std::min<int64_t>(kBlock, offset - at));
        if (!ReadAt(file.Get(), at, block.data(), want, got))
            return false;
        if (got == 0)
            break;
        counter.Add(block.data(), got);
        at += got;
    }
    number = int64_t(counter.Count()) + 1;
    return true;
}
