// CLineDecoder: runs of plain ASCII are widened sixteen bytes at a time; only
// a line holding a byte above 127 is tested for UTF-8. Under wine the code
// page calls cost several times these loops.
#include "engine/io/LineDecoder.h"

#include "engine/text/CodePage.h"
#include "engine/io/FileReader.h"

#include <emmintrin.h>

namespace {

// Widens the leading ASCII run of bytes[0, length) into out; how many were widened.
size_t WidenAscii(const uint8_t* bytes, size_t length, wchar_t* out)
{
    size_t i = 0;
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= length) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        if (_mm_movemask_epi8(v) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
        i += 16;
    }
    while (i < length && bytes[i] < 0x80) {
        out[i] = static_cast<wchar_t>(bytes[i]);
        ++i;
    }
    return i;
}

} // namespace

CLineDecoder::CLineDecoder(FileEncoding encoding, LineDecoding decoding)
    : m_encoding(encoding), m_decoding(decoding)
{
    const CCodePage& cp = CCodePage::Ansi();
    m_table = cp.Table();
    m_singleByte = cp.IsSingleByte();
    m_asciiSame = m_singleByte;
    for (int b = 1; b < 0x80 && m_asciiSame; ++b)
        m_asciiSame = cp.HasChar(static_cast<uint8_t>(b)) && m_table[b] == static_cast<wchar_t>(b);
}

bool CLineDecoder::ReadsAsUtf8(const uint8_t* bytes, size_t length) const
{
    if (m_encoding == FileEncoding::Utf8)
        return true;
    return m_decoding == LineDecoding::Utf8WhereValid && IsMultiByteUtf8(bytes, length);
}

size_t CLineDecoder::Decode(const uint8_t* bytes, size_t length, wchar_t* out) const
{
    if (length == 0)
        return 0;
    if (m_encoding == FileEncoding::Utf8 ||
        (m_decoding == LineDecoding::Utf8WhereValid && m_asciiSame)) {
        // ASCII is the same in both readings: only the rest needs the test.
        const size_t ascii = WidenAscii(bytes, length, out);
        if (ascii == length)
            return length;
        if (ReadsAsUtf8(bytes + ascii, length - ascii))
            return ascii + DecodeUtf8(bytes + ascii, length - ascii, out + ascii);
        return ascii + DecodeAnsi(bytes + ascii, length - ascii, out + ascii);
    }
    if (ReadsAsUtf8(bytes, length))
        return DecodeUtf8(bytes, length, out);
    return DecodeAnsi(bytes, length, out);
}

size_t CLineDecoder::DecodeAnsi(const uint8_t* bytes, size_t length, wchar_t* out) const
{
    if (!m_singleByte) {
        // A multi-byte code page: a character may take two bytes.
        const int n = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes),
                                          static_cast<int>(length), out, static_cast<int>(length));
        if (n > 0)
            return static_cast<size_t>(n);
        // Bytes the code page refuses as a whole: byte by byte, a byte without
        // a character of its own shown as the replacement character. The
        // result file still gets the line's own bytes.
        for (size_t i = 0; i < length; ++i)
            out[i] = m_table[bytes[i]] != 0 ? m_table[bytes[i]] : wchar_t(0xFFFD);
        return length;
    }
    size_t i = m_asciiSame ? WidenAscii(bytes, length, out) : 0;
    wchar_t missing = 1;   // stays non-zero while every byte has a character
    while (i < length) {
        if (m_asciiSame) {
            const size_t run = WidenAscii(bytes + i, length - i, out + i);
            i += run;
            if (i == length)
                break;
        }
        const wchar_t c = m_table[bytes[i]];
        missing = c == 0 ? 0 : missing;
        out[i++] = c;
    }
    if (missing == 0)
        throw CFileReader::kCopyFailed;
    return length;
}
