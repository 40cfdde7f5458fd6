// Generated result files for the viewer tests: numbered lines, any line end, sparse huge files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "line 0000" ... one text per line, each followed by `lineEnd` (the last
// one too unless `finalEnd` is false).
std::string NumberedLines(int count, const std::string& lineEnd = "\n", bool finalEnd = true);
std::string JoinLines(const std::vector<std::string>& lines, const std::string& lineEnd = "\n",
                      bool finalEnd = true);
std::wstring NumberedLine(int number);

// A sparse file of `size` bytes whose only written bytes are `tail` at its
// end and `head` at its start; the rest reads as zero bytes.
bool WriteSparseFile(const std::wstring& path, int64_t size, const std::string& head,
                     const std::string& tail);
