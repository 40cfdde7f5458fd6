// CReadAhead: a few blocks may wait filled while the next is read, so that
// neither thread waits for the other at every block: each wait and wake-up
// costs tens of microseconds under wine. Memory stays at kWaiting + 2 blocks.
#include "engine/io/ReadAhead.h"

#include <algorithm>
#include <new>

namespace {

// How often a waiting Take asks whether a stop was requested, and how often
// the end cancels a read that does not return.
const DWORD kStopLookMs = 10;
const DWORD kCancelEveryMs = 10;
// Filled blocks the reader may be ahead by.
const size_t kWaiting = 3;
// Every block there can be: the waiting ones, the one being read and the
// one the taker holds. Blocks given back beyond these are freed.
const size_t kBlocks = kWaiting + 2;

// The lock held for a few instructions at a time, never across a read.
class CExclusive {
public:
    explicit CExclusive(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~CExclusive() { ReleaseSRWLockExclusive(&m_lock); }
    CExclusive(const CExclusive&) = delete;
    CExclusive& operator=(const CExclusive&) = delete;

private:
    SRWLOCK& m_lock;
};

} // namespace

std::vector<uint8_t> CBlockStock::Take()
{
    if (m_blocks.empty())
        return {};
    std::vector<uint8_t> block = std::move(m_blocks.back());
    m_blocks.pop_back();
    return block;
}

void CBlockStock::Keep(std::vector<uint8_t>&& block)
{
    if (m_blocks.size() < kBlocks && block.capacity() > 0)
        m_blocks.push_back(std::move(block));
}

CReadAhead::CReadAhead(CByteSource& source, uint32_t blockSize, std::function<bool()> stopRequested,
                       std::shared_ptr<CBlockStock> stock)
    : m_source(source), m_blockSize(std::max<uint32_t>(blockSize, 1)),
      m_headRoom(m_blockSize / 16), m_stopRequested(std::move(stopRequested)),
      m_stock(std::move(stock))
{
    // Every block and room for every waiting one from the start, so a run
    // allocates nothing more however many blocks pass. Reserved memory is not
    // touched before it is read into.
    try {
        m_filled.reserve(kWaiting);
        m_free.resize(kBlocks);
        for (std::vector<uint8_t>& block : m_free) {
            if (m_stock)
                block = m_stock->Take();
            block.reserve(m_headRoom + m_blockSize);
        }
    } catch (const std::bad_alloc&) {
        m_free.clear();   // the reader tries again, block by block, and says so
    }
    m_thread.Reset(CreateThread(nullptr, 0, &CReadAhead::ReaderEntry, this, 0, nullptr));
    if (!m_thread.IsOpen())
        m_failed = true;
}

CReadAhead::~CReadAhead()
{
    {
        CExclusive lock(m_lock);
        m_quit = true;
        WakeAllConditionVariable(&m_changed);
    }
    // A read of a hung share or a device may never return by itself.
    if (m_thread.IsOpen()) {
        while (WaitForSingleObject(m_thread.Get(), kCancelEveryMs) == WAIT_TIMEOUT)
            CancelSynchronousIo(m_thread.Get());
    }
    // The reader is gone: every block not held by the taker is here.
    if (m_stock) {
        for (std::vector<uint8_t>& block : m_free)
            m_stock->Keep(std::move(block));
        for (CFilled& filled : m_filled)
            m_stock->Keep(std::move(filled.bytes));
    }
}

DWORD WINAPI CReadAhead::ReaderEntry(LPVOID self)
{
    static_cast<CReadAhead*>(self)->ReadBlocks();
    return 0;
}

void CReadAhead::ReadBlocks()
{
    for (;;) {
        std::vector<uint8_t> block;
        {
            CExclusive lock(m_lock);
            while (!m_quit && m_filled.size() >= kWaiting) {
                m_readerWaits = true;
                SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
                m_readerWaits = false;
            }
            if (m_quit)
                return;
            if (!m_free.empty()) {
                block = std::move(m_free.back());
                m_free.pop_back();
            }
        }
        size_t length = 0;
        bool ended = false;
        bool failed = false;
        try {
            if (block.size() < m_headRoom + m_blockSize)
                block.resize(m_headRoom + m_blockSize);
            // A short read is no end: a file's read stops short only at its
            // end, a stream's whenever it likes.
            while (length < m_blockSize) {
                uint32_t got = 0;
                if (!m_source.Read(block.data() + m_headRoom + length,
                                   static_cast<uint32_t>(m_blockSize - length), got)) {
                    failed = true;
                    break;
                }
                if (got == 0) {
                    ended = true;
                    break;
                }
                length += got;
            }
        } catch (...) {
            failed = true;   // no memory for the block
        }
        CExclusive lock(m_lock);
        if (length > 0)
            m_filled.push_back(CFilled{std::move(block), length});
        m_ended = ended;
        m_failed = failed;
        // A wake-up is a call into the system even when no one sleeps: only
        // a waiting taker is woken.
        if (m_takerWaits)
            WakeAllConditionVariable(&m_changed);
        if (ended || failed)
            return;
    }
}

bool CReadAhead::Take(std::vector<uint8_t>& block, size_t& got)
{
    got = 0;
    CExclusive lock(m_lock);
    for (;;) {
        if (!m_filled.empty()) {
            block = std::move(m_filled.front().bytes);
            got = m_filled.front().length;
            m_filled.erase(m_filled.begin());
            if (m_readerWaits)
                WakeAllConditionVariable(&m_changed);
            return true;
        }
        if (m_ended)
            return true;
        if (m_failed)
            return false;
        m_takerWaits = true;
        const bool woken = SleepConditionVariableSRW(&m_changed, &m_lock, kStopLookMs, 0);
        m_takerWaits = false;
        if (!woken) {
            ReleaseSRWLockExclusive(&m_lock);
            const bool stop = m_stopRequested && m_stopRequested();
            AcquireSRWLockExclusive(&m_lock);
            if (stop) {
                m_stopped = true;
                return false;
            }
        }
    }
}

void CReadAhead::GiveBack(std::vector<uint8_t>&& block)
{
    CExclusive lock(m_lock);
    if (m_free.size() < kBlocks)
        m_free.push_back(std::move(block));
}
