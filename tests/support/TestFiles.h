// Test helpers: a temporary folder that removes itself, and whole-file I/O.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return m_path; }
    // The full path of a file name inside the folder.
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// A file in the folder of the running test executable, where the program puts the results of
// logs named with a folder. Found here on its own, not through the program's helper it checks.
std::wstring BesideTestExe(const std::wstring& name);

// Writes the bytes exactly; returns false on failure.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The whole file, or an empty string with ok = false when it cannot be read.
std::string ReadBytes(const std::wstring& path, bool* ok = nullptr);
bool FileExists(const std::wstring& path);
// The text as a UTF-16 file's bytes, its byte-order mark first, little- or big-endian.
std::string Utf16Bytes(const std::wstring& text, bool little);
