// tilvo_logwriter: a stand-in for a service writing its log, for the tests of
// following. Usage: tilvo_logwriter <log> <seconds> <lines per second> <seed>
// Appends numbered lines in bursts every 10 ms, each burst cut at a random byte
// into two writes; every 50 bursts it leaves a line half written (an error
// line, or one whose CR waits for its LF) for 250 ms, longer than a follower's
// look at the log takes to come round. Every line ends before it exits.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

class CAppender {
public:
    explicit CAppender(const wchar_t* path)
        : m_file(CreateFileW(path, FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~CAppender()
    {
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
    }
    CAppender(const CAppender&) = delete;
    CAppender& operator=(const CAppender&) = delete;

    bool Open() const { return m_file != INVALID_HANDLE_VALUE; }
    bool Append(const std::string& bytes)
    {
        DWORD written = 0;
        return bytes.empty() || (WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                           &written, nullptr) &&
                                 written == bytes.size());
    }

private:
    HANDLE m_file;
};

uint32_t g_seed = 1;
uint32_t Random(uint32_t range)
{
    g_seed = g_seed * 1103515245u + 12345u;
    return (g_seed >> 8) % range;
}

std::string Line(uint64_t n)
{
    char text[128];
    const char* kind = n % 37 == 0 ? "ERROR: disk quota exceeded" : n % 11 == 0 ? "WARN: slow" : "INFO: ok";
    std::snprintf(text, sizeof text, "2026-12-07 10:00:%02u.%03u [w%02u] %s #%llu",
                  static_cast<unsigned>(n / 1000 % 60), static_cast<unsigned>(n % 1000),
                  static_cast<unsigned>(n % 7), kind, static_cast<unsigned long long>(n));
    std::string line = text;
    const uint32_t end = Random(10);
    line += end < 2 ? "\r\n" : end < 3 ? "\r" : "\n";
    if (Random(40) == 0)
        line += "\n";   // an empty line
    return line;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5)
        return 2;
    const DWORD seconds = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
    const uint64_t perSecond = std::wcstoull(argv[3], nullptr, 10);
    g_seed = static_cast<uint32_t>(std::wcstoul(argv[4], nullptr, 10));
    CAppender log(argv[1]);
    if (!log.Open())
        return 1;
    const DWORD start = GetTickCount();
    uint64_t written = 0;
    for (unsigned burst = 1;; ++burst) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= seconds * 1000)
            break;
        const uint64_t due = perSecond * elapsed / 1000;
        std::string bytes;
        while (written < due)
            bytes += Line(++written);
        if (burst % 50 == 0) {
            // A line written in two pieces, seen half written by the follower.
            const std::string half = burst % 100 == 0 ? "2026-12-07 ERROR: half a line" : "a line ending in CR\r";
            if (!log.Append(bytes + half))
                return 1;
            Sleep(250);
            if (!log.Append(burst % 100 == 0 ? " and its end\n" : "\n"))
                return 1;
            continue;
        }
        const size_t cut = bytes.empty() ? 0 : Random(static_cast<uint32_t>(bytes.size()));
        if (!log.Append(bytes.substr(0, cut)) || !log.Append(bytes.substr(cut)))
            return 1;
        Sleep(10);
    }
    return log.Append("the last line\n") ? 0 : 1;
}
