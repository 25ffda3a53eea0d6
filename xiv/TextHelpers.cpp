#include "xiv/TextHelpers.h"

#include <cctype>

std::string StringToUpper(const std::string& text) {
    std::string upper(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    return upper;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void splitByDelim(const std::string& text, const std::string& delim,
                  std::vector<std::string>& fields) {
    if (delim.empty()) {
        fields.push_back(text);
        return;
    }
    size_t start = 0;
    for (;;) {
        size_t at = text.find(delim, start);
        if (at == std::string::npos) break;
        fields.push_back(text.substr(start, at - start));
        start = at + delim.size();
    }
    fields.push_back(text.substr(start));
}
