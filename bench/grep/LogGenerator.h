// A seeded generator of a realistic application log for the grep benchmark.
#pragma once

#include <cstdint>
#include <string>

// Writes about `size` bytes of log lines to `path` (CR LF line ends when
// `crlf`): timestamps, levels (ERROR about 0.5 %), threads, modules, messages
// of 40 to 300 characters with "config", "timeout" and mixed-case "Error" here
// and there, and now and then a line of 10 to 50 KB. The same seed gives the
// same bytes. False when the file cannot be written.
// Text: Ascii as above; Utf8 with about one line in ten holding German,
// Russian or Japanese words; Utf16Le the same text in UTF-16LE after its mark.
enum class LogText { Ascii, Utf8, Utf16Le };
bool GenerateLog(const std::wstring& path, int64_t size, uint64_t seed, bool crlf = false,
                 LogText text = LogText::Ascii);
