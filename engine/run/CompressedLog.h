// Compressed logs in a run: which logs are read through a decompressing
// stream, the stream as the run reads it, and progress by compressed bytes.
#pragma once

#include "engine/io/InflateSource.h"
#include "engine/run/GrepObserver.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum class LogPacking { Plain, Gzip, Zip };

// A `.zip` is an archive; a `.gz` that starts as gzip is one stream. Every
// other file, a `.gz` that is no gzip included (a plain log renamed), is
// read as a plain log.
LogPacking PackingOf(const std::wstring& path);

// The decompressed bytes of a log as the run reads them, with its line ends
// counted, so damage can name the last line read before it.
class CCountedStream : public CByteSource {
public:
    explicit CCountedStream(std::unique_ptr<CPackedSource> source) : m_source(std::move(source)) {}
    bool Read(uint8_t* target, uint32_t size, uint32_t& got) override;
    bool EndedEarly() const override { return m_source->EndedEarly(); }
    const std::wstring& Damage() const { return m_source->Damage(); }
    int64_t PackedRead() const { return m_source->PackedRead(); }
    // Whole lines read: a damaged end loses the line it cuts.
    uint64_t Lines() const { return m_lines; }
    uint64_t Bytes() const { return m_bytes; }

private:
    std::unique_ptr<CPackedSource> m_source;
    uint64_t m_lines = 0;
    uint64_t m_bytes = 0;
    bool m_afterCr = false;
};

// "damaged after line 12: its data is damaged", for the Warning box.
std::wstring DamageText(const CCountedStream& stream);

// Stands between a run over a stream and its observer: the percentage is
// that of the compressed bytes read (of the whole set), since a stream's
// own size is not known before its end. The stop check, asked at least once
// per buffer of the stream, says it.
class CPackedProgress : public CGrepObserver {
public:
    // `read` gives the compressed bytes read of this log, `matches` the run's
    // match count; `base` and `total` place the log in the set.
    CPackedProgress(CGrepObserver& inner, std::function<int64_t()> read,
                    std::function<int()> matches, int64_t base, int64_t total);
    bool StopRequested() override;
    void Progress(int percent, int matches) override;
    void Reading(size_t number, size_t count, const std::wstring& name) override
    {
        m_inner.Reading(number, count, name);
    }

private:
    void Report();

    CGrepObserver& m_inner;
    std::function<int64_t()> m_read;
    std::function<int()> m_matches;
    int64_t m_base;
    int64_t m_total;
    int m_last = -1;
};
