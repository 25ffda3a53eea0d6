// Attribute strings: the flat {key:value,key:value} texts in which the host
// hands over array logins, array info, device attributes and the snapshot
// metadata. There is no quoting or escaping: a value runs from its key's
// colon to the next ',' (else the next '}').
#pragma once

#include <string>

// Value of key in an attribute string "{k:v,k:v}": a key that opens the text
// wins over the same key later in it. False leaves value as it was.
bool GetJsonVal(const std::string& text, const std::string& key, std::string& value);

// The value after searchText (which starts with its comma, ",key:"), passed
// through formatString(..., false). False leaves value as it was: the key is
// absent or its value has no end.
bool CommaKeyValue(const std::string& text, const std::string& searchText, std::string& value);

// Copies text, dropping each control byte (BS, TAB, LF, FF, CR) with the two
// bytes after it and each '"' or '\\' (and '/' unless flag) with the byte
// after it.
std::string formatString(const std::string& text, bool flag);
