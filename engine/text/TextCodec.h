// How text files are encoded, each decision in one place: the byte-order mark
// that says what a file holds, the test that a line of an 8-bit file is UTF-8,
// UTF-8 decoding and encoding, and whether the ANSI code page can hold a text.
// Free of platform headers; whether the ANSI code page holds a text is asked
// of CCodePage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the bytes of a file stand for. Bytes: 8-bit lines without a mark, each
// one UTF-8 or ANSI by itself (see LineDecoding).
enum class FileEncoding { Bytes, Utf8, Utf16Le, Utf16Be };

// How a line of an 8-bit file without a mark is read.
enum class LineDecoding {
    Ansi,            // every line in the ANSI code page
    Utf8WhereValid,  // a line that is valid UTF-8 holding a multi-byte sequence as UTF-8
};

struct ByteOrderMark {
    FileEncoding encoding = FileEncoding::Bytes;
    uint32_t length = 0;   // bytes of the mark, not part of the first line
};

// The mark at the start of a file: EF BB BF, FF FE or FE FF.
ByteOrderMark DetectByteOrderMark(const uint8_t* data, size_t length);

// True when the bytes are valid UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF) and hold at least one multi-byte sequence.
bool IsMultiByteUtf8(const uint8_t* bytes, size_t length);

// UTF-8 to UTF-16; a byte that starts no valid sequence becomes U+FFFD. `out`
// needs room for `length` units (no sequence gives more units than bytes).
// Returns the units written.
size_t DecodeUtf8(const uint8_t* bytes, size_t length, wchar_t* out);

// UTF-16 to UTF-8, appended; a lone surrogate becomes U+FFFD.
void AppendUtf8(const wchar_t* text, size_t length, std::string& out);

// How many UTF-16 units the character at `at` takes: 2 for a surrogate pair.
inline size_t CharUnits(const wchar_t* text, size_t length, size_t at)
{
    return at + 1 < length && text[at] >= 0xD800 && text[at] <= 0xDBFF &&
                   text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF
               ? 2
               : 1;
}

// The mark written before UTF-8 settings files.
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
