// The literals that every line matched by a regular expression must contain,
// read from the expression's text: what lets the fast path skip lines before
// the expression engine sees them. Free of platform and engine headers.
#pragma once

#include <string>
#include <vector>

struct RegexLiterals {
    // Each one occurs in every matching line; empty when the reader cannot be
    // sure of any, and then every line must be matched.
    std::vector<std::wstring> required;
    // Sets of literals of which every matching line holds at least one
    // ("(ERROR|WARN)" gives one set of two).
    std::vector<std::vector<std::wstring>> anyOf;
    // The expression ignores case ("(?i)" at its start): the literals are in
    // lower case, hold only ASCII, and are to be searched folding ASCII case.
    bool foldsCase = false;
};

// `pattern` must be an expression that compiles. The reader is conservative:
// whatever it does not fully understand (option settings after the start,
// quoting, escapes that take arguments, groups other than plain and
// non-capturing ones) gives no literal rather than a wrong one.
RegexLiterals RequiredRegexLiterals(const std::wstring& pattern);
