// Minimal JSON writing for --json output, map requests and stored initiator
// groups: strings are escaped, everything else is assembled by the caller.
#pragma once

#include <string>
#include <vector>

namespace refhost {

// The quoted, escaped JSON form of text (bytes >= 0x80 pass through).
std::string jsonString(const std::string& text);

std::string jsonStringArray(const std::vector<std::string>& items);

}  // namespace refhost
