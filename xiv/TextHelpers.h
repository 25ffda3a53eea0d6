// Small text helpers of the listings the array and its host tool print:
// upper-casing, comparison without regard to case and the plain field
// splitter. All work on 8-bit text.
#pragma once

#include <string>
#include <vector>

// The whole text upper-cased, embedded NULs included. A caller that hands a
// C string (text.c_str()) converts only up to its first NUL.
std::string StringToUpper(const std::string& text);
// Equal but for the case of ASCII letters: how WWNs and listing headers
// compare, since arrays and tools differ in the case they print.
bool EqualNoCase(const std::string& a, const std::string& b);

// Appends the pieces of text between occurrences of delim to fields (empty
// pieces included, also after a trailing delimiter).
void splitByDelim(const std::string& text, const std::string& delim,
                  std::vector<std::string>& fields);
