// CGrepByteContext: the context rules of the grep run (before-ring, after
// counter, match counter) over lines kept as the log's own bytes, for the
// fast path, which never turns lines that only pass through into characters.
// It writes exactly what CGrepContext writes for the same lines.
#pragma once

#include "engine/FileWriter.h"
#include "engine/GrepContext.h"

#include <cstdint>
#include <string>
#include <vector>

class CGrepByteContext {
public:
    using Fault = CGrepContext::Fault;

    CGrepByteContext(CFileWriter& writer, int linesBefore, int linesAfter);

    // One line of the log, as bytes, and whether it is kept.
    Fault Take(const uint8_t* bytes, size_t length, bool kept);

    int Matches() const { return m_matches; }
    bool AfterActive() const { return m_afterActive; }

private:
    bool WriteRing();

    CFileWriter& m_writer;
    std::vector<std::string> m_ring;   // reused: assign keeps each entry's storage
    size_t m_writeIndex = 0;
    bool m_wrapped = false;
    int m_linesAfter;
    int m_after = 0;
    bool m_afterActive = false;
    int m_matches = 0;
};
