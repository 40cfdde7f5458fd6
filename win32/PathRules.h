// Path identity (when two spellings name one file) and the names of the files
// the program keeps beside others: results, their indexes, temporaries, backups.
#pragma once

#include <string>

// The full path as the system resolves it (relative parts, "." and "..",
// forward slashes, trailing dots and blanks); `path` itself when it cannot.
std::wstring FullPath(const std::wstring& path);
// The form that tells files apart: the full path with every letter folded to
// upper case one code unit at a time. Equal keys, same file.
std::wstring PathKey(const std::wstring& path);
// Two paths name the same file when their keys are equal: full paths compared
// ordinally, ignoring case.
bool SamePath(const std::wstring& a, const std::wstring& b);

// The result of a run over `logFile`: its file name, whatever form its path takes
// ("\\" or "/" between folders, a drive letter with no folder, a bare name),
// beside the executable, with ".greptmp" added; ResultFileNameIn in `folder`.
std::wstring ResultFileName(const std::wstring& logFile);
std::wstring ResultFileNameIn(const std::wstring& folder, const std::wstring& logFile);
// The index of a result's lines into its log: the result's name and ".idx".
std::wstring GrepIndexFileName(const std::wstring& resultFile);
// "<path>.tmp": the file a safe save writes before it replaces `path`.
std::wstring TemporaryFileFor(const std::wstring& path);
// "<path>.bak": the copy of a settings file kept before a save that would drop
// entries its reading never reached.
std::wstring BackupFileFor(const std::wstring& path);
