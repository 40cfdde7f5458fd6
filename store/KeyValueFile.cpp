// The key/value line file: "key = value" lines, "#" comments, no quoting.
#include "store/KeyValueFile.h"

#include "engine/text/CodePage.h"
#include "engine/io/FileReader.h"
#include "engine/io/FileWriter.h"
#include "engine/match/Utils.h"
#include "store/KeptLines.h"

#include <algorithm>

KeyValueRead ReadKeyValueEntry(CFileReader& reader, std::wstring& key, std::wstring& value)
{
    size_t ignored = 0;
    return ReadKeyValueEntry(reader, key, value, ignored);
}

bool IsSkippedLine(const std::wstring& line)
{
    return line.empty() || line[0] == L'#';
}

bool SplitKeyValue(const std::wstring& line, std::wstring& key, std::wstring& value)
{
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos)
        return false;
    key.assign(line, 0, equals);
    value.assign(line, equals + 1, std::wstring::npos);
    CUtils::Trim(key);
    CUtils::Trim(value);
    return true;
}

KeyValueRead ReadKeyValueEntry(CFileReader& reader, std::wstring& key, std::wstring& value,
                               size_t& lineNumber)
{
    std::wstring line;
    while (reader.ReadLine(line)) {
        ++lineNumber;
        if (IsSkippedLine(line))
            continue;
        return SplitKeyValue(line, key, value) ? KeyValueRead::Entry : KeyValueRead::Malformed;
    }
    return KeyValueRead::End;
}

bool ReadKeyValue(CFileReader& reader, std::wstring& key, std::wstring& value)
{
    return ReadKeyValueEntry(reader, key, value) == KeyValueRead::Entry;
}

bool WriteKeyValue(CFileWriter& writer, const wchar_t* key, const wchar_t* value)
{
    if (!key || !value)
        return false;
    // One piece per line, so a failed write never leaves half a key behind.
    std::wstring line = key;
    line += L" = ";
    line += value;
    return writer.WriteLine(line);
}

bool StartKeyValueFile(CFileWriter& writer, const std::vector<std::wstring>& texts,
                       const CKeptLines& kept)
{
    const CCodePage& ansi = CCodePage::Ansi();
    auto beyondAnsi = [&ansi](const std::wstring& text) { return !ansi.CanHold(text); };
    if (std::any_of(texts.begin(), texts.end(), beyondAnsi) || kept.AnyLine(beyondAnsi))
        return writer.StartUtf8(true);
    return true;
}
