#include "engine/common/Redact.h"

#include <algorithm>
#include <cctype>

namespace {

// Where key (lower case) first stands in text, whatever the case of its letters.
std::string::const_iterator FindAnyCase(const std::string& text, const std::string& key) {
    return std::search(text.begin(), text.end(), key.begin(), key.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

}  // namespace

void MaskPassword(std::string& text) {
    static const std::string kKey = "HOSTPASSWORD";
    if (text.empty()) return;
    size_t at = text.find(kKey);
    if (at == std::string::npos) return;
    size_t start = at + kKey.size() + 1;  // past the key and its colon
    if (start >= text.size() - 1) return;
    size_t end = text.find(',', start);
    // A last password runs to the closing brace: a '}' inside it must not
    // leave its tail in the log.
    if (end == std::string::npos) end = text.rfind('}');
    if (end == std::string::npos || end < start) return;
    text.replace(start, end - start, "*");
}

std::string MaskPasswordToEnd(const std::string& text) {
    // Hosts spell the key in more than one case ("hostPassword:").
    static const std::string kKey = "password:";
    auto at = FindAnyCase(text, kKey);
    if (at == text.end()) return text;
    const size_t start = static_cast<size_t>(at - text.begin()) + kKey.size();
    std::string masked = text.substr(0, start) + "***";
    // Only a brace that closes the text survives: every byte of the value,
    // its last one included, stays hidden.
    if (text.size() > start && text.back() == '}') masked += '}';
    return masked;
}

std::string TextBeforePassword(const std::string& text) {
    return std::string(text.begin(), FindAnyCase(text, "password"));
}
