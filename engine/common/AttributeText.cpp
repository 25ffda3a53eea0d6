#include "engine/common/AttributeText.h"

bool GetJsonVal(const std::string& text, const std::string& key, std::string& value) {
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

bool CommaKeyValue(const std::string& text, const std::string& searchText, std::string& value) {
    size_t at = text.find(searchText);
    if (at == std::string::npos) return false;
    size_t start = at + searchText.size();
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.find('}', start);
    if (end == std::string::npos) return false;
    value = formatString(text.substr(start, end - start), false);
    return true;
}

std::string formatString(const std::string& text, bool flag) {
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
