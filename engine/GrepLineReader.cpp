// CGrepLineReader: a line's bytes cut from the buffer and decoded in one step.
#include "engine/GrepLineReader.h"

CGrepLineReader::CGrepLineReader(const wchar_t* fileName, uint32_t bufferSize,
                                 LineDecoding decoding)
    : CFileReader(fileName, bufferSize, decoding, Sharing::LiveLog)
{
    // The log may be written while it is read: the run reads what it held at
    // open, and whole lines only.
    EndAtSizeTakenAtOpen();
}

bool CGrepLineReader::ReadLine(CGrepLine& line)
{
    line.Clear();
    line.ClearBytes();
    SkipByteOrderMark();
    if (IsUtf16()) {
        if (!CFileReader::ReadLine(m_units))
            return false;
        wchar_t* out = line.Extend(m_units.size());
        for (size_t i = 0; i < m_units.size(); ++i)
            out[i] = m_units[i];
        line.Commit(m_units.size());
        return true;
    }
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    if (!NextLineBytes(bytes, length))
        return false;
    line.Reserve(length);
    line.SetLength(m_decoder.Decode(bytes, length, line.Data()));
    line.SetBytes(bytes, length);
    return true;
}
