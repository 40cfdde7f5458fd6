// ScreenText: whole lines from the top line, not cut at the window's edge.
#include "viewer/ScreenText.h"

#include "viewer/ScrollableFileReader.h"

std::wstring ScreenText(const CScrollableFileReader& reader, uint32_t pageLines)
{
    size_t length = 1;
    for (uint32_t k = 0; k <= pageLines && reader.GetLineText(k); ++k)
        length += reader.GetLineLength(k) + 2;
    std::wstring text;
    text.reserve(length);
    for (uint32_t k = 0; k <= pageLines; ++k) {
        const wchar_t* line = reader.GetLineText(k);
        if (!line)
            break;
        text.append(line, reader.GetLineLength(k));
        if (k != pageLines)
            text += L"\r\n";
    }
    return text;
}
