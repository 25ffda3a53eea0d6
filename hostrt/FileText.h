// Small whole-file reads for settings, catalog entries and keys.
#pragma once

#include <cstddef>
#include <string>

namespace hostrt {

// Reads the regular file at path into *out when it is at most maxBytes long.
// Returns 0, or an errno value (EFBIG when too long, EINVAL when not a
// regular file).
int readSmallFile(const std::string& path, std::size_t maxBytes, std::string* out);

// The value of an environment variable, or "" when unset.
std::string environmentText(const char* name);

// Strips blanks, tabs, CR and LF from both ends.
std::string trimBlanks(const std::string& text);

}  // namespace hostrt
