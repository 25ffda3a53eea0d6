// The three ways a password leaves a text before the text goes into a log
// line or an error message. Each serves texts of its own kind; none of them
// changes what the caller keeps.
#pragma once

#include <string>

// An upper-cased array attribute string: the value after the first
// "HOSTPASSWORD:" becomes one "*", up to the next ',' (else the last '}');
// without either the text is left as it is. Changes text in place.
void MaskPassword(std::string& text);

// A host text that may end in a password (a host identifier, a mount host):
// everything after the first "password:" (any case) becomes "***"; a closing
// brace that ends the text is kept. A text without the key comes back as it is.
std::string MaskPasswordToEnd(const std::string& text);

// A host identifier that may carry a password after a "password" key: the
// text up to that key (any case).
std::string TextBeforePassword(const std::string& text);
