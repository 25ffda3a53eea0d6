// Lookup in INI-style settings text.
#pragma once

#include <string>

namespace hostrt {

// Finds key in [section] of text. Lines are "key=value"; a line whose first
// non-blank character is ';' or '#' is a comment, and so is the rest of a
// line from a ';' or '#' that follows a blank (so "a;b" stays a value).
// Blanks around section names, keys and values are trimmed; names are
// case-sensitive; the last of repeated keys wins. Lines before any section
// header belong to the section "".
bool findIniValue(const std::string& text, const std::string& section, const std::string& key,
                  std::string* value);

// A well-formed int: optional sign, decimal digits, within int's range.
bool parseInt(const std::string& text, int* out);

}  // namespace hostrt
