// The text Copy Screen puts on the clipboard: the lines on screen, whole.
#pragma once

#include <cstdint>
#include <string>

class CScrollableFileReader;

// Lines 0 to pageLines below the top line (one more than the whole rows), as
// long as they are in the reader's block, joined by CR LF. When the lines run
// out first every copied line ends in CR LF; otherwise the last has none.
std::wstring ScreenText(const CScrollableFileReader& reader, uint32_t pageLines);
