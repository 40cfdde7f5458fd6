// The lines a settings file keeps with its entries across a save.
#include "store/KeptLines.h"

#include "engine/io/FileWriter.h"

#include <utility>

namespace {

bool WriteLines(CFileWriter& writer, const std::vector<std::wstring>& lines)
{
    for (const std::wstring& line : lines) {
        if (!writer.WriteLine(line))
            return false;
    }
    return true;
}

} // namespace

void CKeptLines::Add(const std::wstring& line)
{
    m_waiting.push_back(line);
}

void CKeptLines::AttachTo(const std::wstring& anchor)
{
    if (m_waiting.empty())
        return;
    std::vector<std::wstring>& above = m_above[anchor];
    above.insert(above.end(), m_waiting.begin(), m_waiting.end());
    m_waiting.clear();
}

bool CKeptLines::AnyLine(const std::function<bool(const std::wstring&)>& test) const
{
    for (const auto& [anchor, lines] : m_above) {
        for (const std::wstring& line : lines) {
            if (test(line))
                return true;
        }
    }
    for (const std::wstring& line : m_waiting) {
        if (test(line))
            return true;
    }
    return false;
}

bool CKeptLines::WriteBefore(CFileWriter& writer, const std::wstring& anchor)
{
    const auto found = m_above.find(anchor);
    if (found == m_above.end())
        return true;
    const std::vector<std::wstring> lines = std::move(found->second);
    m_above.erase(found);
    return WriteLines(writer, lines);
}

bool CKeptLines::WriteTail(CFileWriter& writer) const
{
    return WriteLines(writer, m_waiting);
}
