// The HTML page of a result: every line in its colour, written line by line.
#pragma once

#include "viewer/RowPainter.h"

#include <windows.h>

#include <string>

class CFileReader;
class CFileWriter;

// "&", ">" and "<" as entities, the ampersand first so that a line holding
// "&lt;" shows those four characters in the page; and each character the ANSI
// code page cannot hold as a numeric character reference, so that the page,
// written in that code page, shows it in every browser.
std::wstring HtmlEscape(std::wstring text);
// Each blank (space or tab) that starts the text or follows another blank as "&nbsp;".
std::wstring KeepBlanks(const std::wstring& text);
// "#rrggbb" in lower case from a COLORREF (red in its low byte).
std::wstring CssColor(COLORREF color);

// Writes the page from the reader's current position to its end; the writer's
// line delimiter must already be CR LF. False when a line could not be
// written; the closing lines are written in any case. Throws what the reader
// and the writer throw.
bool WriteHtmlPage(CFileReader& reader, CFileWriter& writer, const std::wstring& title,
                   LineColorFunction lineColor);
