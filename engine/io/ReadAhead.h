// CReadAhead: a byte source read on a thread of its own, in large blocks
// handed over whole, so that one core reads while the other scans.
#pragma once

#include "engine/io/ByteSource.h"
#include "win32/Handle.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Blocks kept from one read-ahead for the next of the same run: each log of a
// set would otherwise allocate its blocks again, and touch every page of them
// afresh. Used by one thread at a time.
class CBlockStock {
public:
    // A kept block, or an empty one when none is kept.
    std::vector<uint8_t> Take();
    void Keep(std::vector<uint8_t>&& block);

private:
    std::vector<std::vector<uint8_t>> m_blocks;
};

// The reader thread owns the source from construction to destruction: no one
// else may touch it meanwhile. A block is handed over by swapping vectors, so
// its bytes are never copied; each block keeps HeadRoom() bytes free before
// its bytes, where the taker puts the unfinished line of the block before.
// A handover that wakes the other thread costs tens of microseconds under
// wine: with a few blocks waiting, neither thread sleeps at every block.
class CReadAhead {
public:
    // Starts reading `source` from where it stands, `blockSize` bytes at a
    // time. `stopRequested` is asked while Take waits, so a stop is seen even
    // while the reader sits in a long read.
    // Blocks come from `stock` where it holds some, and go back to it at the end.
    CReadAhead(CByteSource& source, uint32_t blockSize, std::function<bool()> stopRequested,
               std::shared_ptr<CBlockStock> stock = nullptr);
    // Ends the reader, cancelling a read that does not return.
    ~CReadAhead();
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    size_t HeadRoom() const { return m_headRoom; }
    // The next block, moved into `block`: its bytes are [HeadRoom(),
    // HeadRoom() + got); got 0 at the end of the source. False when a read
    // failed or a stop was requested (Stopped()).
    bool Take(std::vector<uint8_t>& block, size_t& got);
    // A block the taker is done with, to be filled again.
    void GiveBack(std::vector<uint8_t>&& block);
    bool Stopped() const { return m_stopped; }
    // As the source says, once Take has given the end.
    bool EndedEarly() const { return m_source.EndedEarly(); }

private:
    struct CFilled {
        std::vector<uint8_t> bytes;
        size_t length;
    };
    static DWORD WINAPI ReaderEntry(LPVOID self);
    void ReadBlocks();

    CByteSource& m_source;
    const uint32_t m_blockSize;
    const size_t m_headRoom;
    std::function<bool()> m_stopRequested;
    std::shared_ptr<CBlockStock> m_stock;
    bool m_stopped = false;   // the taker's own

    // Under m_lock: the blocks to fill and those filled, in order, and how
    // the reading ended.
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    std::vector<std::vector<uint8_t>> m_free;
    std::vector<CFilled> m_filled;   // oldest first
    bool m_ended = false;
    bool m_failed = false;
    bool m_quit = false;
    bool m_readerWaits = false;   // asleep for a block to be taken
    bool m_takerWaits = false;    // asleep for a block to be filled
    CHandle m_thread;
};
