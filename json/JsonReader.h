// Reads a JSON text (RFC 8259, strict: no comments, no single quotes).
//
// The text is given as pointer and length and is never read past its end; it
// need not be NUL-terminated. Whatever the input, reading ends without a
// crash: nesting is bounded, strings must be well-formed UTF-8, escapes must
// be valid, and numbers are kept as text.
#pragma once

#include <cstddef>

#include "json/JsonValue.h"

// Deepest nesting of arrays and objects accepted; the top-level value is
// level 1. Deeper input is a syntax error.
constexpr int kJsonMaxDepth = 64;

// Returns the top-level value. On a syntax error the top-level array or
// object keeps the elements and members that were read completely before it;
// a value still open at the error is dropped with everything inside it. A
// text that is not even the start of a value gives null. *complete (when
// given) is true only for one valid value with nothing but white space around
// it.
JsonValue ReadJson(const char* text, std::size_t length, bool* complete = nullptr);
