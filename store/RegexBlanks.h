// How a regular expression's blanks at either end survive a file whose values are trimmed.
#pragma once

#include <string>

// Spaces and tabs at either end as "\x20" and "\x09", which PCRE2 reads as the same
// characters; the middle stays as typed. Masks are never passed here: for them the
// escape would be text.
std::wstring EscapeRegexBlanks(const std::wstring& pattern);
// The reverse, for a value stored as an expression: escapes at either end become
// blanks again, except one whose backslash is itself escaped ("\\x20").
std::wstring UnescapeRegexBlanks(const std::wstring& value);
