// CInflateSource: zlib does the inflating; this side feeds it, restarts it
// for each further gzip member, and turns its errors into a damaged end that
// keeps what came out before.
#include "engine/io/InflateSource.h"

#include <zlib.h>

#include <string>

namespace {
// zlib's window size, plus 16 for its gzip wrapper or negated for raw deflate.
constexpr int kGzipWindow = 15 + 16;
constexpr int kRawWindow = -15;
}  // namespace

CInflateSource::CInflateSource(std::unique_ptr<CByteSource> input, Format format)
    : m_input(std::move(input)), m_stream(std::make_unique<z_stream_s>()),
      m_buffer(new uint8_t[kInputSize]), m_format(format)
{
    *m_stream = z_stream_s{};
    if (inflateInit2(m_stream.get(), format == Format::Gzip ? kGzipWindow : kRawWindow) != Z_OK)
        throw L"CInflateSource: zlib could not start";
}

CInflateSource::~CInflateSource()
{
    inflateEnd(m_stream.get());
}

bool CInflateSource::LooksLikeGzip(const uint8_t* head, size_t size)
{
    // The two magic bytes and deflate, the only method gzip defines.
    return size >= 3 && head[0] == 0x1f && head[1] == 0x8b && head[2] == 8;
}

void CInflateSource::Fail(const wchar_t* why)
{
    m_damage = why;
    m_finished = true;
}

bool CInflateSource::Refill()
{
    uint32_t got = 0;
    if (!m_input->Read(m_buffer.get(), kInputSize, got))
        return false;
    m_stream->next_in = m_buffer.get();
    m_stream->avail_in = got;
    m_taken += got;
    if (got == 0)
        m_inputEnded = true;
    return true;
}

bool CInflateSource::StartNextMember(bool& another)
{
    // gzip writes members back to back; what follows the last one may only
    // be zeros, as some tools pad with.
    another = false;
    for (;;) {
        while (m_stream->avail_in > 0) {
            if (*m_stream->next_in != 0) {
                if (m_format == Format::Deflate)
                    return true;   // a zip member's end is its own: what follows is not its
                another = true;
                return inflateReset(m_stream.get()) == Z_OK;
            }
            ++m_stream->next_in;
            --m_stream->avail_in;
        }
        if (m_format == Format::Deflate || m_inputEnded)
            return true;
        if (!Refill())
            return false;
    }
}

bool CInflateSource::Read(uint8_t* target, uint32_t size, uint32_t& got)
{
    got = 0;
    while (got == 0 && size > 0 && !m_finished) {
        if (m_stream->avail_in == 0 && !m_inputEnded && !Refill())
            return false;
        m_stream->next_out = target;
        m_stream->avail_out = size;
        const int status = inflate(m_stream.get(), Z_NO_FLUSH);
        got = size - m_stream->avail_out;
        if (status == Z_STREAM_END) {
            bool another = false;
            if (!StartNextMember(another))
                return false;
            if (!another)
                m_finished = true;
            // A member that is not gzip after a whole one is damage, not an end.
            continue;
        }
        if (status == Z_DATA_ERROR) {
            Fail(m_stream->msg && std::string(m_stream->msg) == "incorrect data check"
                     ? L"its data does not match its check sum"
                     : L"its data is damaged");
        } else if (status == Z_MEM_ERROR) {
            Fail(L"there was not enough memory to decompress it");
        } else if (status == Z_BUF_ERROR || status == Z_NEED_DICT || status == Z_STREAM_ERROR) {
            // No progress: the input has ended inside the stream.
            if (m_inputEnded || status != Z_BUF_ERROR)
                Fail(L"the data ends before its end");
        } else if (got == 0 && m_inputEnded && m_stream->avail_in == 0) {
            Fail(L"the data ends before its end");
        }
    }
    return true;
}
