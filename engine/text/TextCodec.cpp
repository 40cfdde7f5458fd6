// Byte-order marks and UTF-8, without platform calls: the UTF-8 test runs on
// every line of a log that holds a byte above 127, and the platform's
// conversion calls are slow under wine.
#include "engine/text/TextCodec.h"

namespace {

// The length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there.
size_t SequenceLength(const uint8_t* bytes, size_t length, size_t i, uint32_t& code)
{
    const uint8_t b = bytes[i];
    size_t n;
    uint32_t min;
    if (b < 0x80) {
        code = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        n = 2, min = 0x80, code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, min = 0x800, code = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, min = 0x10000, code = b & 0x07;
    } else {
        return 0;
    }
    if (length - i < n)
        return 0;
    for (size_t k = 1; k < n; ++k) {
        const uint8_t c = bytes[i + k];
        if ((c & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (c & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

ByteOrderMark DetectByteOrderMark(const uint8_t* data, size_t length)
{
    ByteOrderMark mark;
    if (length >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        mark = {FileEncoding::Utf8, 3};
    else if (length >= 2 && data[0] == 0xFF && data[1] == 0xFE)
        mark = {FileEncoding::Utf16Le, 2};
    else if (length >= 2 && data[0] == 0xFE && data[1] == 0xFF)
        mark = {FileEncoding::Utf16Be, 2};
    return mark;
}

bool IsMultiByteUtf8(const uint8_t* bytes, size_t length)
{
    bool multi = false;
    uint32_t code = 0;
    size_t i = 0;
    while (i < length) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        const size_t n = SequenceLength(bytes, length, i, code);
        if (n == 0)
            return false;
        multi = true;
        i += n;
    }
    return multi;
}

size_t DecodeUtf8(const uint8_t* bytes, size_t length, wchar_t* out)
{
    size_t units = 0;
    size_t i = 0;
    uint32_t code = 0;
    while (i < length) {
        if (bytes[i] < 0x80) {
            out[units++] = static_cast<wchar_t>(bytes[i++]);
            continue;
        }
        const size_t n = SequenceLength(bytes, length, i, code);
        if (n == 0) {
            out[units++] = static_cast<wchar_t>(0xFFFD);
            ++i;
            continue;
        }
        i += n;
        if (code >= 0x10000) {
            code -= 0x10000;
            out[units++] = static_cast<wchar_t>(0xD800 + (code >> 10));
            out[units++] = static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            out[units++] = static_cast<wchar_t>(code);
        }
    }
    return units;
}

void AppendUtf8(const wchar_t* text, size_t length, std::string& out)
{
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = static_cast<uint16_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (CharUnits(text, length, i) == 2) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(text[i + 1]) - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
}
