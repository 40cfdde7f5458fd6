// CFileWriter: creates a text file and writes lines in the ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class CFileWriter {
public:
    // Creates or truncates the file, shared for reading; the line delimiter is
    // "\n". Throws L"CFileWriter::CFileWriter: unable to create the file".
    explicit CFileWriter(const wchar_t* fileName);
    ~CFileWriter();
    CFileWriter(const CFileWriter&) = delete;
    CFileWriter& operator=(const CFileWriter&) = delete;

    bool SetLineDelimiters(const wchar_t* delimiters);
    // Writes up to `count` characters of the text, without a delimiter.
    bool WriteText(const wchar_t* text, uint32_t count);
    bool WriteDelimiter();
    bool WriteLine(const std::wstring& line);
    bool WriteLine(const wchar_t* prefix, const std::wstring& line);
    bool WriteLine(const wchar_t* prefix, const std::wstring& line, const wchar_t* suffix);

private:
    bool WriteBytes(const char* bytes, uint32_t count);

    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::wstring m_wideDelimiter;
    std::string m_delimiter;   // converted once, when set
};
