// A failure text in the user's words: without the qualified name of the code that raised it.
#pragma once

#include <string>

// "CFileReader::CFileReader: unable to open the file" is the program's own record of where a
// failure arose; the status line says what failed instead ("Unable to open the log file").
// Texts without such a name come back as they are.
std::wstring FailureWords(const std::wstring& text);
