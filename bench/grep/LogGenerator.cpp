// The benchmark log: lines built from word lists by a small fast generator,
// written in 4 MiB blocks.
#include "bench/grep/LogGenerator.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

class CRandom {
public:
    explicit CRandom(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next()
    {
        // xorshift64*
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 2685821657736338717ull;
    }
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>((Next() >> 32) % n); }

private:
    uint64_t m_state;
};

const char* const kModules[] = {
    "net.http.Client", "net.http.Server", "db.pool.Connection", "db.query.Planner",
    "auth.TokenService", "cache.Lru", "io.FileStore", "sched.Worker", "config.Loader",
    "api.v2.Orders", "api.v2.Users", "metrics.Reporter", "mail.Sender", "search.Indexer",
};

const char* const kWords[] = {
    "request", "response", "user", "session", "completed", "started", "queue", "item", "order",
    "value", "retry", "connection", "pool", "cache", "miss", "hit", "token", "refresh", "id",
    "payload", "bytes", "sent", "received", "latency", "ms", "status", "ok", "page", "index",
    "shard", "replica", "leader", "elected", "heartbeat", "checkpoint", "flushed", "records",
    "batch", "job", "scheduled", "worker", "idle", "busy", "handler", "route", "GET", "POST",
    "/api/v2/orders", "/api/v2/users", "200", "204", "301", "404", "file", "opened", "closed",
    "lock", "acquired", "released", "thread", "pool", "size", "limit", "reached", "the", "a",
    "to", "from", "with", "for", "and", "in", "on", "of", "after", "before", "while",
};

// Rarer words, so that the searches of the benchmark find something.
const char* const kSpice[] = {
    "config", "timeout", "Error", "error", "Timeout", "TIMEOUT", "configuration", "reconfigured",
};

// Phrases of the non-ASCII lines, in UTF-8.
const char* const kForeign[] = {
    "Zeit\xC3\xBC" "berschreitung beim Lesen", "Gr\xC3\xB6\xC3\x9F" "e \xC3\xBC" "berschritten",
    "\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0 \xD1\x87\xD1\x82\xD0\xB5\xD0\xBD\xD0\xB8\xD1\x8F",
    "\xD1\x81\xD0\xBE\xD0\xB5\xD0\xB4\xD0\xB8\xD0\xBD\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5 \xD0\xB7\xD0\xB0\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD0\xBE",
    "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB\xE3\x81\xAE\xE8\xAA\xAD\xE3\x81\xBF\xE8\xBE\xBC\xE3\x81\xBF",
    "\xE6\x8E\xA5\xE7\xB6\x9A\xE3\x81\x8C\xE5\x88\x87\xE6\x96\xAD\xE3\x81\x95\xE3\x82\x8C\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F",
};

class CLineMaker {
public:
    explicit CLineMaker(uint64_t seed, bool foreign = false) : m_random(seed), m_foreign(foreign) {}

    // Appends one line with its line end.
    void Append(std::string& out, bool crlf)
    {
        m_millis += 1 + m_random.Below(40);
        const uint64_t ms = m_millis % 1000;
        const uint64_t s = m_millis / 1000;
        char head[96];
        const uint32_t roll = m_random.Below(1000);
        const char* level = roll < 5 ? "ERROR:" : roll < 40 ? "WARN: " : roll < 700 ? "INFO: " : "DEBUG:";
        const int n = std::snprintf(head, sizeof head,
                                    "2026-12-%02u %02u:%02u:%02u.%03u [worker-%02u] %s %s - ",
                                    static_cast<unsigned>(1 + (s / 86400) % 28),
                                    static_cast<unsigned>((s / 3600) % 24),
                                    static_cast<unsigned>((s / 60) % 60),
                                    static_cast<unsigned>(s % 60), static_cast<unsigned>(ms),
                                    m_random.Below(32), level,
                                    kModules[m_random.Below(sizeof kModules / sizeof *kModules)]);
        out.append(head, static_cast<size_t>(n));
        if (m_foreign && m_random.Below(10) == 0) {
            out += kForeign[m_random.Below(sizeof kForeign / sizeof *kForeign)];
            out += ' ';
        }
        // A few huge lines: a dumped payload of 10 to 50 KB.
        const size_t target = m_random.Below(20000) == 0 ? 10000 + m_random.Below(40001)
                                                         : 40 + m_random.Below(261);
        const size_t start = out.size();
        while (out.size() - start < target) {
            const char* word = m_random.Below(200) == 0
                                   ? kSpice[m_random.Below(sizeof kSpice / sizeof *kSpice)]
                                   : kWords[m_random.Below(sizeof kWords / sizeof *kWords)];
            out += word;
            out += m_random.Below(9) == 0 ? "=" : " ";
            if (m_random.Below(12) == 0) {
                char number[24];
                const int k = std::snprintf(number, sizeof number, "%u ", m_random.Below(100000));
                out.append(number, static_cast<size_t>(k));
            }
        }
        // Cut at a character boundary of the UTF-8 text.
        size_t cut = start + target;
        while (cut > start && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
            --cut;
        out.resize(cut);
        out += crlf ? "\r\n" : "\n";
    }

private:
    CRandom m_random;
    bool m_foreign;
    uint64_t m_millis = 0;
};

} // namespace

bool GenerateLog(const std::wstring& path, int64_t size, uint64_t seed, bool crlf, LogText text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CLineMaker maker(seed, text != LogText::Ascii);
    std::string block;
    std::wstring wide;
    const bool utf16 = text == LogText::Utf16Le;
    const size_t kBlock = 4u << 20;
    block.reserve(kBlock + 65536);
    int64_t written = 0;
    bool ok = true;
    DWORD done = 0;
    if (utf16) {
        ok = WriteFile(file, "\xFF\xFE", 2, &done, nullptr) && done == 2;
        written = 2;
    }
    const int64_t perByte = utf16 ? 2 : 1;   // the file's bytes per UTF-8 byte, near enough
    while (ok && written < size) {
        block.clear();
        while (block.size() < kBlock && written + perByte * static_cast<int64_t>(block.size()) < size)
            maker.Append(block, crlf);
        if (utf16) {
            wide.resize(block.size());
            const int n = MultiByteToWideChar(CP_UTF8, 0, block.data(), static_cast<int>(block.size()),
                                              wide.data(), static_cast<int>(wide.size()));
            const DWORD bytes = static_cast<DWORD>(n) * 2;
            ok = n > 0 && WriteFile(file, wide.data(), bytes, &done, nullptr) && done == bytes;
            written += bytes;
            continue;
        }
        ok = WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &done, nullptr) &&
             done == block.size();
        written += static_cast<int64_t>(block.size());
    }
    CloseHandle(file);
    return ok;
}
