#include "engine/Cloraxify.h"

#include <algorithm>
#include <cctype>

std::string Cloraxify(const std::string& text) {
    static const std::string kKey = "password:";
    // Hosts spell the key in more than one case ("hostPassword:").
    auto at = std::search(text.begin(), text.end(), kKey.begin(), kKey.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    if (at == text.end()) return text;
    const size_t start = static_cast<size_t>(at - text.begin()) + kKey.size();
    std::string masked = text.substr(0, start) + "***";
    // Only a brace that closes the text survives: every byte of the value,
    // its last one included, stays hidden.
    if (text.size() > start && text.back() == '}') masked += '}';
    return masked;
}
