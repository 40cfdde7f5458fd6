// The key/value line file shared by the categories file and the colour file:
// reading one entry with the reason reading stopped, and the line writer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CFileReader;
class CKeptLines;
class CFileWriter;

enum class KeyValueRead {
    Entry,      // a key/value line was read
    End,        // the end of the file
    Malformed,  // a line that is neither blank, comment nor key/value: reading stops
};

// An empty line, or one whose very first character is "#": " # x" is not one.
bool IsSkippedLine(const std::wstring& line);
// Splits a line at its first "=" and trims both sides; false when it holds no "=".
bool SplitKeyValue(const std::wstring& line, std::wstring& key, std::wstring& value);

// Skips the lines IsSkippedLine names; splits the next line with SplitKeyValue.
KeyValueRead ReadKeyValueEntry(CFileReader& reader, std::wstring& key, std::wstring& value);
// The same, adding every line it reads to `lineNumber`, which then is the number
// of the line the entry (or the malformed line) stands on when it starts at 0.
KeyValueRead ReadKeyValueEntry(CFileReader& reader, std::wstring& key, std::wstring& value,
                               size_t& lineNumber);
// ReadKeyValueEntry with End and Malformed folded into false.
bool ReadKeyValue(CFileReader& reader, std::wstring& key, std::wstring& value);
// Writes "key = value" as one line; false for a null key or value or a failed write.
bool WriteKeyValue(CFileWriter& writer, const wchar_t* key, const wchar_t* value);

// Starts a key/value file in the encoding its texts and kept lines need: the
// ANSI code page, byte for byte as always, when it holds every one; otherwise
// UTF-8 after a byte-order mark, in the same layout. False when the mark cannot
// be written.
bool StartKeyValueFile(CFileWriter& writer, const std::vector<std::wstring>& texts,
                       const CKeptLines& kept);
