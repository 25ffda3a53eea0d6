// Hides the password a host text (a host identifier, a mount host) may
// carry before the text goes into a log line or an error message.
#pragma once

#include <string>

// Everything after the first "password:" (any case) becomes "***"; a closing
// brace that ends the text is kept. A text without the key comes back as it is.
std::string Cloraxify(const std::string& text);
