// Minimal JSON writing for --json output, map requests and stored initiator
// groups: strings are escaped, everything else is assembled by the caller.
#pragma once

#include <string>
#include <vector>

namespace refhost {

// The quoted, escaped JSON form of text (bytes >= 0x80 pass through).
std::string jsonString(const std::string& text);

std::string jsonStringArray(const std::vector<std::string>& items);

// The string values of every "key" member of a document zrso-host wrote
// itself, in order: the inverse of jsonString for its own map requests.
std::vector<std::string> jsonMemberStrings(const std::string& json, const std::string& key);

}  // namespace refhost
