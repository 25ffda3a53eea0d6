#include "refhost/AttributeText.h"

namespace refhost {

std::string formatAttributes(const Attributes& items) {
    std::string out = "{";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += ',';
        out += items[i].first;
        out += ':';
        out += items[i].second;
    }
    out += '}';
    return out;
}

bool findAttribute(const std::string& text, const std::string& key, std::string* value) {
    size_t pos = text.find("{" + key + ":");
    if (pos == std::string::npos) pos = text.find("," + key + ":");
    if (pos == std::string::npos) return false;
    size_t start = pos + key.size() + 2;
    size_t end = text.find_first_of(",}", start);
    if (end == std::string::npos) end = text.size();
    *value = text.substr(start, end - start);
    return true;
}

std::string attributeValueProblem(const std::string& value) {
    for (unsigned char c : value) {
        if (c == ',' || c == '{' || c == '}') return "must not contain ',', '{' or '}'";
        if (c == '"' || c == '\\' || c == '/') return "must not contain '\"', '\\' or '/'";
        if (c < 0x20 || c == 0x7f) return "must not contain control characters";
    }
    return std::string();
}

std::string esxNameOf(const std::string& text) {
    size_t pos = text.find("esxname:");
    if (pos == std::string::npos) return text;
    size_t start = pos + 8;
    size_t end = text.find_first_of(",}", start);
    if (end == std::string::npos) end = text.size();
    return text.substr(start, end - start);
}

}  // namespace refhost
