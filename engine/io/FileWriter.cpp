// CFileWriter: text converted through a character-to-byte table of the ANSI
// code page, written piece by piece or, for bulk output, in whole lines.
#include "engine/io/FileWriter.h"

#include "engine/text/ByteCopy.h"
#include "engine/text/CodePage.h"
#include "engine/text/TextCodec.h"

#include <emmintrin.h>

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

// The ANSI code page as a table from every UTF-16 unit to its byte, built with
// one WideCharToMultiByte call per process: under wine that call costs far
// more per character than the table. Each entry is exactly what the call
// gives for the unit alone, so a character the code page lacks still becomes
// its default character (or its best fit, as the call chooses).
class CWideToAnsi {
public:
    static const CWideToAnsi& Get()
    {
        static const CWideToAnsi instance;
        return instance;
    }

    // False for a code page that is not single-byte: the caller then uses the
    // conversion call itself.
    bool Usable() const { return m_usable; }

    // Converts text[0, count) up to a zero into one byte per character and
    // returns the number converted. `special` is set when a surrogate was met:
    // a pair becomes one character, which the table cannot say.
    size_t Convert(const wchar_t* text, size_t count, char* out, bool& special) const
    {
        size_t k = 0;
        uint16_t flags = 0;
        if (m_asciiSame) {
            // Eight or sixteen ASCII characters at a time: they are their own bytes.
            const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
            const __m128i zero = _mm_setzero_si128();
            while (k + 16 <= count) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + k));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + k + 8));
                const __m128i above = _mm_or_si128(_mm_and_si128(a, high), _mm_and_si128(b, high));
                const __m128i zeros = _mm_or_si128(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
                if (_mm_movemask_epi8(_mm_cmpeq_epi16(above, zero)) == 0xFFFF &&
                    _mm_movemask_epi8(zeros) == 0) {
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(a, b));
                    k += 16;
                    continue;
                }
                for (const size_t end = k + 16; k < end; ++k) {
                    const wchar_t c = text[k];
                    if (c == 0) {
                        special = (flags & kSurrogate) != 0;
                        return k;
                    }
                    const uint16_t v = m_table[c];
                    flags |= v;
                    out[k] = static_cast<char>(v);
                }
            }
        }
        for (; k < count; ++k) {
            const wchar_t c = text[k];
            if (c == 0)
                break;
            const uint16_t v = m_table[c];
            flags |= v;
            out[k] = static_cast<char>(v);
        }
        special = (flags & kSurrogate) != 0;
        return k;
    }

private:
    static constexpr uint16_t kSurrogate = 0x100;

    CWideToAnsi()
    {
        CPINFO info{};
        if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1)
            return;
        // Each unit followed by a zero, so that no two units form a pair.
        std::vector<wchar_t> units(2 * 65536);
        for (size_t c = 0; c < 65536; ++c)
            units[2 * c] = static_cast<wchar_t>(c);
        std::vector<char> bytes(units.size());
        const int n = WideCharToMultiByte(CP_ACP, 0, units.data(), static_cast<int>(units.size()),
                                          bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                          nullptr);
        if (n != static_cast<int>(units.size()))
            return;
        m_table.resize(65536);
        for (size_t c = 0; c < 65536; ++c) {
            if (bytes[2 * c + 1] != 0)
                return;
            m_table[c] = static_cast<uint8_t>(bytes[2 * c]);
            if (c >= 0xD800 && c <= 0xDFFF)
                m_table[c] |= kSurrogate;
        }
        m_asciiSame = true;
        for (uint16_t c = 1; c < 0x80; ++c)
            m_asciiSame = m_asciiSame && m_table[c] == c;
        m_usable = true;
    }

    std::vector<uint16_t> m_table;
    bool m_usable = false;
    bool m_asciiSame = false;
};

} // namespace

CFileWriter::CFileWriter(const wchar_t* fileName)
{
    m_file.Reset(CreateFileW(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsOpen())
        throw L"CFileWriter::CFileWriter: unable to create the file";
    SetLineDelimiters(L"\n");
}

CFileWriter::CFileWriter(const wchar_t* fileName, int64_t offset)
{
    m_file.Reset(CreateFileW(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsOpen())
        throw L"CFileWriter::CFileWriter: unable to open the file to continue it";
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file.Get(), &size) || size.QuadPart < offset || !CutAt(offset))
        throw L"CFileWriter::CFileWriter: unable to open the file to continue it";
    SetLineDelimiters(L"\n");
}

bool CFileWriter::GetPosition(int64_t& position)
{
    if (!Flush())
        return false;
    LARGE_INTEGER zero{}, at{};
    if (!SetFilePointerEx(m_file.Get(), zero, &at, FILE_CURRENT))
        return false;
    position = at.QuadPart;
    return true;
}

bool CFileWriter::CutAt(int64_t offset)
{
    if (!Flush())
        return false;
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file.Get()))
        return false;
    m_written = offset;
    return true;
}

CFileWriter::~CFileWriter()
{
    if (m_file.IsOpen())
        Flush();
}

bool CFileWriter::SetLineDelimiters(const wchar_t* delimiters)
{
    if (!delimiters)
        return false;
    const size_t length = std::wcslen(delimiters);
    std::string converted(length + 1, '\0');
    int n = length == 0 ? 0
                        : WideCharToMultiByte(CP_ACP, 0, delimiters, static_cast<int>(length),
                                              converted.data(), static_cast<int>(length), nullptr,
                                              nullptr);
    converted.resize(n > 0 ? static_cast<size_t>(n) : 0);
    m_wideDelimiter = delimiters;
    m_delimiter = converted;
    return true;
}

bool CFileWriter::SetLineBuffer(uint32_t flushAt)
{
    const bool flushed = flushAt == 0 ? Flush() : true;
    m_flushAt = flushAt;
    if (flushAt != 0)
        Reserve(flushAt);
    return flushed;
}

char* CFileWriter::Reserve(size_t more)
{
    const size_t needed = m_pendingSize + more;
    if (needed > m_pendingCapacity) {
        const size_t capacity = std::max<size_t>({needed, m_pendingCapacity * 2, 4096});
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (m_pendingSize != 0)
            std::copy(m_pending.get(), m_pending.get() + m_pendingSize, grown.get());
        m_pending = std::move(grown);
        m_pendingCapacity = capacity;
    }
    return m_pending.get() + m_pendingSize;
}

bool CFileWriter::StartUtf8(bool withMark)
{
    m_utf8 = true;
    if (!withMark)
        return true;
    return WriteBytesPiece(reinterpret_cast<const uint8_t*>(kUtf8Mark), sizeof kUtf8Mark - 1);
}

size_t CFileWriter::AppendConverted(const wchar_t* text, uint32_t count)
{
    if (m_utf8) {
        uint32_t length = 0;
        while (length < count && text[length] != L'\0')
            ++length;
        m_scratch.clear();
        AppendUtf8(text, length, m_scratch);
        char* out = Reserve(m_scratch.size());
        std::copy(m_scratch.begin(), m_scratch.end(), out);
        m_pendingSize += m_scratch.size();
        return m_scratch.size();
    }
    const CWideToAnsi& table = CWideToAnsi::Get();
    uint32_t length = 0;
    if (table.Usable()) {
        // A single-byte code page never needs more bytes than characters.
        char* out = Reserve(count);
        bool special = false;
        length = static_cast<uint32_t>(table.Convert(text, count, out, special));
        if (!special) {
            m_pendingSize += length;
            return length;
        }
    } else {
        while (length < count && text[length] != L'\0')
            ++length;
    }
    return AppendAnsi(text, length);
}

size_t CFileWriter::AppendAnsi(const wchar_t* text, uint32_t length)
{
    // A double-byte code page, or UTF-8 as the ANSI code page, takes up to
    // three bytes a character: the room is asked for first.
    if (length == 0)
        return 0;
    const int needed =
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return 0;
    char* out = Reserve(static_cast<size_t>(needed));
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out, needed,
                                      nullptr, nullptr);
    if (n <= 0)
        return 0;
    m_pendingSize += static_cast<size_t>(n);
    return static_cast<size_t>(n);
}

bool CFileWriter::WriteBytes(const char* bytes, size_t count)
{
    // A full disk takes part of a write: what it took goes again, so that a
    // file written in whole lines still ends with a whole line.
    const int64_t start = m_written;
    while (count > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
        DWORD written = 0;
        const BOOL wrote = WriteFile(m_file.Get(), bytes, piece, &written, nullptr);
        if (!wrote || written != piece) {
            // A short write that reports success has met the end of the room.
            m_lastError = wrote ? ERROR_DISK_FULL : GetLastError();
            LARGE_INTEGER to;
            to.QuadPart = start;
            if (SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN) && SetEndOfFile(m_file.Get()))
                m_written = start;
            else
                m_written += written;
            return false;
        }
        bytes += piece;
        count -= piece;
        m_written += piece;
    }
    return true;
}

bool CFileWriter::Flush()
{
    if (m_pendingSize == 0)
        return true;
    const bool written = WriteBytes(m_pending.get(), m_pendingSize);
    m_pendingSize = 0;
    return written;
}

bool CFileWriter::WritePiece(const wchar_t* text, uint32_t count)
{
    if (!text || count == 0)
        return true;
    if (AppendConverted(text, count) == 0)
        return false;
    return m_flushAt != 0 || Flush();
}

bool CFileWriter::EndLine()
{
    if (m_delimiter.empty())
        return false;
    char* out = Reserve(m_delimiter.size());
    std::copy(m_delimiter.begin(), m_delimiter.end(), out);
    m_pendingSize += m_delimiter.size();
    if (m_flushAt != 0 && m_pendingSize < m_flushAt)
        return true;
    return Flush();
}

bool CFileWriter::WriteText(const wchar_t* text, uint32_t count)
{
    return WritePiece(text, count);
}

bool CFileWriter::WriteDelimiter()
{
    return EndLine();
}

bool CFileWriter::WriteLine(const std::wstring& line)
{
    return WriteLine(nullptr, line.c_str(), line.size());
}

bool CFileWriter::WriteLine(const wchar_t* prefix, const std::wstring& line)
{
    return WriteLine(prefix, line.c_str(), line.size());
}

bool CFileWriter::WriteLine(const wchar_t* prefix, const wchar_t* text, size_t length)
{
    // When buffered, a line that fails part way is taken back whole.
    const size_t mark = m_pendingSize;
    const bool written =
        (!prefix || WritePiece(prefix, static_cast<uint32_t>(std::wcslen(prefix)))) &&
        (length == 0 || WritePiece(text, static_cast<uint32_t>(length))) && EndLine();
    if (!written && m_flushAt != 0)
        m_pendingSize = std::min(m_pendingSize, mark);
    return written;
}

bool CFileWriter::WriteLine(const wchar_t* prefix, const std::wstring& line, const wchar_t* suffix)
{
    const size_t mark = m_pendingSize;
    const bool written =
        (!prefix || WritePiece(prefix, static_cast<uint32_t>(std::wcslen(prefix)))) &&
        (line.empty() || WritePiece(line.c_str(), static_cast<uint32_t>(line.size()))) &&
        (!suffix || WritePiece(suffix, static_cast<uint32_t>(std::wcslen(suffix)))) && EndLine();
    if (!written && m_flushAt != 0)
        m_pendingSize = std::min(m_pendingSize, mark);
    return written;
}

bool CFileWriter::BytesRoundTrip()
{
    static const bool roundTrip = [] {
        const CWideToAnsi& table = CWideToAnsi::Get();
        const CCodePage& cp = CCodePage::Ansi();
        if (!table.Usable() || !cp.IsSingleByte())
            return false;
        for (int b = 1; b < 256; ++b) {
            const wchar_t c = cp.ToWide(static_cast<uint8_t>(b));
            char out = 0;
            bool special = false;
            if (!cp.HasChar(static_cast<uint8_t>(b)) || c == L'\0' ||
                table.Convert(&c, 1, &out, special) != 1 || special ||
                static_cast<uint8_t>(out) != b)
                return false;
        }
        return true;
    }();
    return roundTrip;
}

bool CFileWriter::WriteBytesPiece(const uint8_t* bytes, size_t count)
{
    char* out = Reserve(count);
    std::copy(bytes, bytes + count, out);
    m_pendingSize += count;
    return m_flushAt != 0 || Flush();
}

bool CFileWriter::WriteLineBytes(const wchar_t* prefix, const uint8_t* bytes, size_t length)
{
    const size_t mark = m_pendingSize;
    if (m_flushAt != 0 && !m_delimiter.empty()) {
        // Buffered, the grep run's bulk case: the line's bytes and its
        // delimiter go in with one reservation and one copy each.
        if (prefix && prefix[0] != L'\0' &&
            AppendConverted(prefix, static_cast<uint32_t>(std::wcslen(prefix))) == 0) {
            m_pendingSize = mark;
            return false;
        }
        const size_t delimiter = m_delimiter.size();
        if (length >= m_flushAt) {
            // A line longer than the buffer goes to the file from where it
            // lies: a copy would cost as much memory as the line. What was
            // written of it is taken back when a write fails.
            const int64_t start = m_written + static_cast<int64_t>(mark);
            if (Flush() && WriteBytes(reinterpret_cast<const char*>(bytes), length) &&
                WriteBytes(m_delimiter.data(), delimiter))
                return true;
            m_pendingSize = 0;
            if (m_written > start)
                CutAt(start);
            return false;
        }
        char* out = Reserve(length + delimiter);
        CopyBytes(out, bytes, length);
        for (size_t k = 0; k < delimiter; ++k)
            out[length + k] = m_delimiter[k];
        m_pendingSize += length + delimiter;
        return m_pendingSize < m_flushAt || Flush();
    }
    const bool written =
        (!prefix || WritePiece(prefix, static_cast<uint32_t>(std::wcslen(prefix)))) &&
        (length == 0 || WriteBytesPiece(bytes, length)) && EndLine();
    if (!written && m_flushAt != 0)
        m_pendingSize = std::min(m_pendingSize, mark);
    return written;
}
