// UTF-8 checks and encoding for the JSON reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Length (1 to 4) of the well-formed UTF-8 sequence at text, reading at most
// available bytes; 0 when the bytes there are not well-formed UTF-8: stray
// continuation bytes, overlong forms, encoded surrogates, code points above
// U+10FFFF, or a sequence cut off by the end of the text.
std::size_t Utf8SequenceLength(const char* text, std::size_t available);

// Appends the UTF-8 form of a Unicode scalar value. False (nothing appended)
// for surrogates and values above U+10FFFF.
bool AppendUtf8(std::string& out, std::uint32_t codePoint);
