// How a typed regular expression will be read, in words, and why one is refused.
#pragma once

#include <string>

// One line for the text box's hint: that the text is a regular expression
// and, while it does not compile, PCRE2's message and where it stopped.
// `ignoreCase`: the search adds "(?i)" itself (Find's Match Case unchecked).
std::wstring ExplainRegex(const std::wstring& text, bool ignoreCase);

// PCRE2's message and position for an expression that does not compile, as
// the refusal says it; empty when it compiles.
std::wstring RegexRefusal(const std::wstring& text);

// Find's expression: "(?i)" first when case is ignored, so that the
// expression's own literals are searched ignoring case too.
std::wstring SearchRegex(const std::wstring& text, bool ignoreCase);
