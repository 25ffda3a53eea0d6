#include "xiv/TextHelpers.h"

#include <cctype>

bool GetJsonVal(const std::string& text, const std::string& key, std::string& value)
{
    // A key that opens the string wins over the same key later in it.
    size_t at = text.find("{" + key + ":");
    if (at == std::string::npos) at = text.find("," + key + ":");
    if (at == std::string::npos) return false;
    size_t start = at + key.size() + 2;
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.find('}', start);
    if (end == std::string::npos) return false;
    value = text.substr(start, end - start);
    return true;
}

std::string formatString(const std::string& text, bool flag)
{
    std::string result;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 8 || c == 9 || c == 10 || c == 12 || c == 13) {
            i += 3;
        } else if (c == '"' || c == '\\' || (c == '/' && !flag)) {
            i += 2;
        }
        if (i >= text.size()) break;
        result += text[i];
        ++i;
    }
    return result;
}

std::string StringToUpper(const std::string& text)
{
    std::string upper(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    return upper;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void splitByDelim(const std::string& text, const std::string& delim,
                  std::vector<std::string>& fields)
{
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
