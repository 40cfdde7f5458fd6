// Reading a settings file entry by entry, with the lines the loader leaves.
#include "store/KeyValueReader.h"

#include "engine/text/CodePage.h"
#include "engine/text/TextCodec.h"

namespace {

// Settings files are read with the buffer their loaders always used.
const uint32_t kReadBufferSize = 0xFFFF;

bool IsUtf8Text(const uint8_t* bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] >= 0x80)
            return IsMultiByteUtf8(bytes, length);
    }
    return true;
}

// A surrogate without its other half is read as it stands but written as U+FFFD.
bool HasLoneSurrogate(const std::wstring& line)
{
    for (size_t i = 0; i < line.size(); i += CharUnits(line.data(), line.size(), i)) {
        if (line[i] >= 0xD800 && line[i] <= 0xDFFF && CharUnits(line.data(), line.size(), i) == 1)
            return true;
    }
    return false;
}

} // namespace

CKeyValueReader::CKeyValueReader(const std::wstring& path) : CFileReader(path.c_str(), kReadBufferSize)
{
}

KeyValueRead CKeyValueReader::Next()
{
    bool isText = true;
    while (ReadCheckedLine(isText)) {
        ++m_lineNumber;
        if (!isText && m_firstNotText == 0)
            m_firstNotText = m_lineNumber;
        if (IsSkippedLine(m_line)) {
            m_kept.Add(m_line);
            continue;
        }
        return SplitKeyValue(m_line, m_key, m_value) ? KeyValueRead::Entry : KeyValueRead::Malformed;
    }
    return KeyValueRead::End;
}

bool CKeyValueReader::ReadCheckedLine(bool& isText)
{
    if (IsUtf16()) {
        if (!ReadLine(m_line))
            return false;
        isText = !HasLoneSurrogate(m_line);
        return true;
    }
    // ReadLine's own steps, with the bytes looked at before they are decoded.
    m_line.clear();
    SkipByteOrderMark();
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    if (!NextLineBytes(bytes, length))
        return false;
    // Without a mark the ANSI code page reads the bytes: only UTF-8 as that code page
    // turns bytes into U+FFFD; a single-byte one gives each byte a character.
    const bool asUtf8 = Encoding() == FileEncoding::Utf8 || CCodePage::Ansi().IsUtf8();
    isText = !asUtf8 || IsUtf8Text(bytes, length);
    DecodeLine(bytes, length, m_line);
    return true;
}
