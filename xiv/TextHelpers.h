// Small text helpers shared by the device, credential, metadata and listing
// code: the {key:value,...} attribute lookup, the character-skipping copy,
// upper-casing and the plain field splitter. All work on 8-bit text.
#pragma once

#include <string>
#include <vector>

// Value of key in an attribute string "{k:v,k:v}". False leaves value as it was.
bool GetJsonVal(const std::string& text, const std::string& key, std::string& value);

// Copies text, dropping each control byte (BS, TAB, LF, FF, CR) with the two
// bytes after it and each '"' or '\\' (and '/' unless flag) with the byte
// after it.
std::string formatString(const std::string& text, bool flag);

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
