#include "refhost/JsonText.h"

#include <cstdio>
#include <cstdlib>

namespace refhost {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

std::string jsonStringArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += ',';
        out += jsonString(items[i]);
    }
    out += ']';
    return out;
}

std::vector<std::string> jsonMemberStrings(const std::string& json, const std::string& key) {
    std::vector<std::string> values;
    const std::string mark = jsonString(key) + ":\"";
    for (std::size_t at = json.find(mark); at != std::string::npos; at = json.find(mark, at)) {
        std::string value;
        for (at += mark.size(); at < json.size() && json[at] != '"'; ++at) {
            if (json[at] != '\\' || at + 1 >= json.size()) {
                value += json[at];
                continue;
            }
            char e = json[++at];
            if (e == 'u' && at + 4 < json.size()) {
                value +=
                    static_cast<char>(std::strtol(json.substr(at + 1, 4).c_str(), nullptr, 16));
                at += 4;
            } else {
                value += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            }
        }
        values.push_back(value);
    }
    return values;
}

}  // namespace refhost
