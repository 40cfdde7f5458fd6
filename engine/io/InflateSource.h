// CInflateSource: the bytes of a compressed stream (a .gz file of one or more
// members, or a deflated zip member) as they come out of zlib's inflate, read
// once front to back through buffers of a fixed size.
#pragma once

#include "engine/io/ByteSource.h"

#include <cstdint>
#include <memory>
#include <string>

struct z_stream_s;

// A stream of decompressed bytes: how much of the compressed input it has
// taken, and what damage ended it early.
class CPackedSource : public CByteSource {
public:
    // Why the data ended early ("the data ends before its end", ...), or empty.
    virtual const std::wstring& Damage() const = 0;
    // Compressed bytes taken so far: what progress follows.
    virtual int64_t PackedRead() const = 0;
};

class CInflateSource : public CPackedSource {
public:
    enum class Format {
        Gzip,      // members one after the other, each with its header and CRC
        Deflate,   // raw deflate data, as a zip member holds it
    };

    // Reads the compressed bytes from `input`, which it keeps.
    CInflateSource(std::unique_ptr<CByteSource> input, Format format);
    ~CInflateSource() override;
    CInflateSource(const CInflateSource&) = delete;
    CInflateSource& operator=(const CInflateSource&) = delete;

    // Damaged data ends the source as its end would, after every byte that
    // came out whole: EndedEarly() and Damage() then say so. False only when
    // reading the compressed bytes fails.
    bool Read(uint8_t* target, uint32_t size, uint32_t& got) override;
    bool EndedEarly() const override { return !m_damage.empty(); }

    const std::wstring& Damage() const override { return m_damage; }
    int64_t PackedRead() const override { return m_taken; }
    // Whether these first bytes of a file start a gzip member.
    static bool LooksLikeGzip(const uint8_t* head, size_t size);

    // The compressed bytes are read in pieces of this size.
    static constexpr uint32_t kInputSize = 256 * 1024;

private:
    bool Refill();
    bool StartNextMember(bool& another);
    void Fail(const wchar_t* why);

    std::unique_ptr<CByteSource> m_input;
    std::unique_ptr<z_stream_s> m_stream;
    std::unique_ptr<uint8_t[]> m_buffer;
    Format m_format;
    bool m_inputEnded = false;
    bool m_finished = false;
    int64_t m_taken = 0;
    std::wstring m_damage;
};
