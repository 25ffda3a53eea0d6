#include "hostrt/IniText.h"

#include <climits>

#include "hostrt/FileText.h"

namespace hostrt {

namespace {

std::string stripInlineComment(const std::string& line) {
    for (std::size_t i = 1; i < line.size(); ++i) {
        if ((line[i] == ';' || line[i] == '#') && (line[i - 1] == ' ' || line[i - 1] == '\t'))
            return line.substr(0, i);
    }
    return line;
}

}  // namespace

bool findIniValue(const std::string& text, const std::string& section, const std::string& key,
                  std::string* value) {
    std::size_t pos = 0;
    // A UTF-8 byte order mark written by some editors.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    std::string current;
    bool found = false;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = trimBlanks(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            std::size_t close = line.find(']');
            if (close != std::string::npos) current = trimBlanks(line.substr(1, close - 1));
            continue;
        }
        if (current != section) continue;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (trimBlanks(line.substr(0, eq)) != key) continue;
        *value = trimBlanks(stripInlineComment(line.substr(eq + 1)));
        found = true;
    }
    return found;
}

bool parseInt(const std::string& text, int* out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace hostrt
