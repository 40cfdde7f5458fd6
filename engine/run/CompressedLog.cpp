// Compressed logs in a run: a log is known by its name and, for gzip, its
// first bytes; its lines are counted as they stream past.
#include "engine/run/CompressedLog.h"

#include "engine/io/FileReader.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace {

bool EndsWith(const std::wstring& path, const wchar_t* ending)
{
    const size_t length = wcslen(ending);
    if (path.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (towlower(path[path.size() - length + i]) != ending[i])
            return false;
    return true;
}

}  // namespace

LogPacking PackingOf(const std::wstring& path)
{
    if (EndsWith(path, L".zip"))
        return LogPacking::Zip;
    if (!EndsWith(path, L".gz"))
        return LogPacking::Plain;
    try {
        CFileReader file(path.c_str(), 0);
        uint8_t head[3] = {};
        uint32_t got = 0;
        if (file.Read(head, sizeof head, got) && CInflateSource::LooksLikeGzip(head, got))
            return LogPacking::Gzip;
    } catch (...) {
        // Cannot be opened: the plain reading says so, as for any log.
    }
    return LogPacking::Plain;
}

bool CCountedStream::Read(uint8_t* target, uint32_t size, uint32_t& got)
{
    if (!m_source->Read(target, size, got))
        return false;
    m_bytes += got;
    // A CR LF pair is one line end, also when a read splits it.
    for (uint32_t i = 0; i < got; ++i) {
        const uint8_t byte = target[i];
        if (byte == '\r' || (byte == '\n' && !m_afterCr))
            ++m_lines;
        m_afterCr = byte == '\r';
    }
    return true;
}

std::wstring DamageText(const CCountedStream& stream)
{
    const std::wstring last = stream.Lines() == 0 ? L"before its first line"
                                                  : L"after line " + std::to_wstring(stream.Lines());
    return L"damaged " + last + L": " + stream.Damage();
}

CPackedProgress::CPackedProgress(CGrepObserver& inner, std::function<int64_t()> read,
                                 std::function<int()> matches, int64_t base, int64_t total)
    : m_inner(inner), m_read(std::move(read)), m_matches(std::move(matches)), m_base(base),
      m_total(total)
{
}

void CPackedProgress::Report()
{
    const int64_t at = m_base + m_read();
    const int percent = m_total <= 0 || at >= m_total ? 100 : int(at * 100 / m_total);
    if (percent == m_last)
        return;
    m_last = percent;
    m_inner.Progress(percent, m_matches());
}

bool CPackedProgress::StopRequested()
{
    Report();
    return m_inner.StopRequested();
}

void CPackedProgress::Progress(int, int)
{
    Report();
}
