// CGrepContext: the grep run's output side. Told, line by line in log order,
// whether each line is kept, it writes the kept lines with the lines before
// them ("/") and after them ("\"), and counts the matches.
#pragma once

#include "engine/FileWriter.h"
#include "engine/GrepLine.h"

#include <vector>

class CGrepContext {
public:
    enum class Fault { None, PrevLine, NextLine };

    // Lines before or after of 0 or less keep no context on that side.
    CGrepContext(CFileWriter& writer, int linesBefore, int linesAfter);

    // One line of the log and whether it is kept. A line that the before-ring
    // keeps is swapped into it: `line` then holds an older buffer whose text
    // means nothing, ready to be read into.
    Fault Take(CGrepLine& line, bool kept);

    int Matches() const { return m_matches; }
    // True while lines are written as after-context of a match.
    bool AfterActive() const { return m_afterActive; }

private:
    bool WriteRing();

    CFileWriter& m_writer;
    // The last lines that were neither kept nor written after a match, oldest
    // at the write index once wrapped. Empty when no lines are kept before.
    std::vector<CGrepLine> m_ring;
    size_t m_writeIndex = 0;
    bool m_wrapped = false;
    int m_linesAfter;
    int m_after = 0;
    bool m_afterActive = false;
    int m_matches = 0;
};
