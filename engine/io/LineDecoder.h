// CLineDecoder: the bytes of one line as characters. A file with a UTF-8 mark
// is UTF-8 throughout; in an 8-bit file without a mark each line decides for
// itself: valid UTF-8 holding a multi-byte sequence is read as UTF-8, every
// other line in the ANSI code page. Every reader of 8-bit lines decodes here.
#pragma once

#include "engine/text/TextCodec.h"

#include <cstddef>
#include <cstdint>

class CLineDecoder {
public:
    CLineDecoder(FileEncoding encoding, LineDecoding decoding);

    // The characters of bytes[0, length) into `out`, which has room for
    // `length` units (no encoding here gives more units than bytes); the
    // units written. Throws CFileReader's copy text for a byte that the
    // ANSI code page has no character for.
    size_t Decode(const uint8_t* bytes, size_t length, wchar_t* out) const;

    // True when such a line is read as UTF-8.
    bool ReadsAsUtf8(const uint8_t* bytes, size_t length) const;
    // True when some line of the file may be read in the ANSI code page, or
    // as UTF-8.
    bool MayReadAnsi() const { return m_encoding != FileEncoding::Utf8; }
    bool MayReadUtf8() const
    {
        return m_encoding == FileEncoding::Utf8 || m_decoding == LineDecoding::Utf8WhereValid;
    }

private:
    size_t DecodeAnsi(const uint8_t* bytes, size_t length, wchar_t* out) const;

    FileEncoding m_encoding;
    LineDecoding m_decoding;
    const wchar_t* m_table;   // byte to character; 0 marks a byte without one
    bool m_singleByte;
    bool m_asciiSame = false;   // bytes 1 to 127 are their own characters
};
