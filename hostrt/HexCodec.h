// Hexadecimal text of binary data.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hostrt {

std::string hexEncode(const unsigned char* data, std::size_t length);

// Strict: an even number of hex digits (either case), nothing else, unless
// allowBlanks lets blanks and tabs stand between bytes.
bool hexDecode(const std::string& text, std::vector<unsigned char>* out, bool allowBlanks = false);

}  // namespace hostrt
