// CGrepLineReader: a line's bytes cut from the buffer and decoded in one step.
#include "engine/run/GrepLineReader.h"

CGrepLineReader::CGrepLineReader(const wchar_t* fileName, uint32_t bufferSize,
                                 LineDecoding decoding)
    : CFileReader(fileName, bufferSize, decoding)
{
}

bool CGrepLineReader::ReadLine(CGrepLine& line)
{
    line.Clear();
    line.ClearBytes();
    SkipByteOrderMark();
    if (IsUtf16()) {
        // Straight into the line's own buffer.
        class CLineSink : public CUnitSink {
        public:
            explicit CLineSink(CGrepLine& line) : m_line(line) {}
            wchar_t* Extend(size_t more) override { return m_line.Extend(more); }
            void Commit(size_t count) override { m_line.Commit(count); }
            void Clear() override { m_line.Clear(); }

        private:
            CGrepLine& m_line;
        } sink(line);
        return ReadUnitsLine(sink);
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
