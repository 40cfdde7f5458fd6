// CLogSet: the logs one Go searches, from what the file box names: a file, a
// folder (every file directly inside it), a wildcard in the file-name part,
// or several paths each in double quotes; in the order a rotated set was
// written, oldest first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CLogSetFile {
    std::wstring path;
    std::wstring name;   // relative to the set's folder: what a header line shows
    int64_t size = 0;
    uint64_t writeTime = 0;   // FILETIME as one number
};

class CLogSet {
public:
    // The paths of the box's text: each quoted path as Windows' multi-select
    // writes them, or the whole text as one path when it holds no quote.
    static std::vector<std::wstring> SplitBox(const std::wstring& text);

    // Expands the box's text. False with `problem` set when it names
    // nothing to read ("... matches no file"); a file that is not there is
    // kept as it is, for the run to report as today.
    bool Expand(const std::wstring& text, std::wstring& problem);

    const std::vector<CLogSetFile>& Files() const { return m_files; }
    // More than one file, or a folder or pattern: read as a set.
    bool IsSet() const { return m_isSet; }
    int64_t TotalSize() const;
    // The folder header names are relative to (with its trailing backslash).
    const std::wstring& Folder() const { return m_folder; }
    // A valid Windows file name for the set's result, before its extension:
    // a folder's own name; a pattern's name part with each * and ? made "_";
    // several files: the first one's name with "+" and the count of others.
    const std::wstring& ResultName() const { return m_resultName; }
    // The newest file by write time: the one that Follow follows.
    const CLogSetFile* Newest() const;

    // Oldest first by write time; for equal times the higher rotation number
    // (the digits after the last dot) first, then by name.
    static bool ReadBefore(const CLogSetFile& a, const CLogSetFile& b);
    // This program's own results and indexes, never read as logs.
    static bool IsOwnOutput(const std::wstring& name);
    // "7 files, 3.4 GB": what the status line says before Go.
    std::wstring Summary() const;

private:
    bool AddPattern(const std::wstring& folder, const std::wstring& pattern);
    void AddFile(const std::wstring& path);

    std::vector<CLogSetFile> m_files;
    bool m_isSet = false;
    std::wstring m_folder;
    std::wstring m_resultName;
};
