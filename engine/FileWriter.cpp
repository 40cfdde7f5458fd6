// CFileWriter: every piece goes to the file at once, so a run that stops or
// fails leaves a file that is complete up to its last written line.
#include "engine/FileWriter.h"

#include <cwchar>
#include <vector>

CFileWriter::CFileWriter(const wchar_t* fileName)
{
    m_file = CreateFileW(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file == INVALID_HANDLE_VALUE)
        throw L"CFileWriter::CFileWriter: unable to create the file";
    SetLineDelimiters(L"\n");
}

CFileWriter::~CFileWriter()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
}

bool CFileWriter::SetLineDelimiters(const wchar_t* delimiters)
{
    if (!delimiters)
        return false;
    const size_t length = std::wcslen(delimiters);
    std::string converted(length + 1, '\0');
    int n = length == 0 ? 0
                        : WideCharToMultiByte(CP_ACP, 0, delimiters, static_cast<int>(length),
                                              converted.data(), static_cast<int>(length), nullptr,
                                              nullptr);
    converted.resize(n > 0 ? static_cast<size_t>(n) : 0);
    m_wideDelimiter = delimiters;
    m_delimiter = converted;
    return true;
}

bool CFileWriter::WriteBytes(const char* bytes, uint32_t count)
{
    DWORD written = 0;
    return WriteFile(m_file, bytes, count, &written, nullptr) && written == count;
}

bool CFileWriter::WriteText(const wchar_t* text, uint32_t count)
{
    if (!text || count == 0)
        return true;
    // The text up to its terminating zero, at most `count` characters.
    uint32_t length = 0;
    while (length < count && text[length] != L'\0')
        ++length;
    if (length == 0)
        return false;
    std::vector<char> bytes(count);
    int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), bytes.data(),
                                static_cast<int>(count), nullptr, nullptr);
    if (n <= 0)
        return false;
    return WriteBytes(bytes.data(), static_cast<uint32_t>(n));
}

bool CFileWriter::WriteDelimiter()
{
    if (m_delimiter.empty())
        return false;
    return WriteBytes(m_delimiter.data(), static_cast<uint32_t>(m_delimiter.size()));
}

bool CFileWriter::WriteLine(const std::wstring& line)
{
    if (!line.empty() && !WriteText(line.c_str(), static_cast<uint32_t>(line.size())))
        return false;
    return WriteDelimiter();
}

bool CFileWriter::WriteLine(const wchar_t* prefix, const std::wstring& line)
{
    if (prefix && !WriteText(prefix, static_cast<uint32_t>(std::wcslen(prefix))))
        return false;
    return WriteLine(line);
}

bool CFileWriter::WriteLine(const wchar_t* prefix, const std::wstring& line, const wchar_t* suffix)
{
    if (prefix && !WriteText(prefix, static_cast<uint32_t>(std::wcslen(prefix))))
        return false;
    if (!line.empty() && !WriteText(line.c_str(), static_cast<uint32_t>(line.size())))
        return false;
    if (suffix && !WriteText(suffix, static_cast<uint32_t>(std::wcslen(suffix))))
        return false;
    return WriteDelimiter();
}
