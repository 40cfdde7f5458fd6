// CKeptLines: the lines of a settings file that its loader does not use
// (comments, blank lines, unknown keys), each group kept with the entry it
// stands above, so that writing the file puts them back where they belong.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

class CFileWriter;

class CKeptLines {
public:
    // A line the loader does not use, waiting for the entry below it.
    void Add(const std::wstring& line);
    // The waiting lines belong to the entry known as `anchor`; lines kept for an anchor
    // that comes twice (a set in two sections) stay together above the one entry written.
    void AttachTo(const std::wstring& anchor);

    // True when `test` holds for some kept line (choosing the encoding that holds them).
    bool AnyLine(const std::function<bool(const std::wstring&)>& test) const;
    // Writes the lines kept above `anchor` and lets go of them, so that an entry written
    // twice has them only above the first. An entry that is not written any more takes
    // its lines with it.
    bool WriteBefore(CFileWriter& writer, const std::wstring& anchor);
    // The lines after the last entry, which stay at the end of the file.
    bool WriteTail(CFileWriter& writer) const;

private:
    std::map<std::wstring, std::vector<std::wstring>> m_above;
    std::vector<std::wstring> m_waiting;
};
