#include "refhost/ArraySerial.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace refhost {

bool isDecimalSerial(const std::string& serial) {
    if (serial.size() != 7) return false;
    for (char c : serial)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string hexSerial(const std::string& decimalSerial) {
    if (!isDecimalSerial(decimalSerial)) return std::string();
    long number = std::strtol(decimalSerial.substr(2).c_str(), nullptr, 10);
    if (number > 0xFFFFF) return std::string();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05lX", number);
    return decimalSerial.substr(0, 2) + buf;
}

std::string decimalSerial(const std::string& hexSerial) {
    if (hexSerial.size() != 7) return std::string();
    for (size_t i = 0; i < hexSerial.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(hexSerial[i]);
        if (i < 2 ? !std::isdigit(c) : !std::isxdigit(c)) return std::string();
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05ld", std::strtol(hexSerial.substr(2).c_str(), nullptr, 16));
    return hexSerial.substr(0, 2) + buf;
}

bool serialMatches(const std::string& decimalSerial, const std::string& id) {
    if (id.empty()) return false;
    if (id == decimalSerial) return true;
    std::string hex = hexSerial(decimalSerial);
    if (hex.empty() || hex.size() != id.size()) return false;
    for (size_t i = 0; i < hex.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(id[i])) != hex[i]) return false;
    return true;
}

}  // namespace refhost
