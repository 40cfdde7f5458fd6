// CKeyValueReader: reads the entries of a settings file for its loader, keeping
// the lines the loader does not use and noting the first line whose bytes are
// not text, since writing the file back would change that line.
#pragma once

#include "engine/io/FileReader.h"
#include "store/KeptLines.h"
#include "store/KeyValueFile.h"

#include <cstddef>
#include <string>

// Privately a CFileReader: its line splitting is the file's, but only whole
// entries are handed out.
class CKeyValueReader : private CFileReader {
public:
    // Opens the file; throws what CFileReader throws.
    explicit CKeyValueReader(const std::wstring& path);

    // The next entry. Blank and comment lines on the way are kept; a line
    // without "=" is Malformed, and reading stops there.
    KeyValueRead Next();
    const std::wstring& Key() const { return m_key; }
    const std::wstring& Value() const { return m_value; }
    // The number of the line Next last stopped at, from 1.
    size_t LineNumber() const { return m_lineNumber; }

    // The entry just read means nothing to the loader: its line is kept as it
    // stands, with the entry below it.
    void KeepEntryLine() { m_kept.Add(m_line); }
    // The entry just read is used, and known as `anchor` when the file is written.
    void UseEntry(const std::wstring& anchor) { m_kept.AttachTo(anchor); }
    CKeptLines& Kept() { return m_kept; }

    // The first line whose bytes could not be read as text: not UTF-8 after a
    // UTF-8 mark (or without a mark, when the ANSI code page is UTF-8), or half
    // of a UTF-16 pair. 0 while there is none.
    size_t FirstLineNotText() const { return m_firstNotText; }

private:
    // The next line as ReadLine reads it; `isText` false when it will not be
    // written back as the same bytes.
    bool ReadCheckedLine(bool& isText);

    std::wstring m_line;
    std::wstring m_key;
    std::wstring m_value;
    size_t m_lineNumber = 0;
    size_t m_firstNotText = 0;
    CKeptLines m_kept;
};
