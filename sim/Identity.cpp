#include "sim/Identity.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "sim/Text.h"

namespace sim {

bool validArraySerial(const std::string& serial) {
    if (serial.size() != 7) return false;
    for (char c : serial)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string hexArraySerial(const std::string& serial) {
    long number = std::strtol(serial.substr(2).c_str(), nullptr, 10);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05lX", number);
    return serial.substr(0, 2) + buf;
}

std::string volumeWwn(const std::string& serial, std::int64_t volumeSerial) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%017llX", static_cast<unsigned long long>(volumeSerial));
    return "60017380" + hexArraySerial(serial) + buf;
}

std::string unitSerial(const std::string& serial, std::int64_t volumeSerial) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%05llX", static_cast<unsigned long long>(volumeSerial));
    return hexArraySerial(serial) + buf;
}

std::string targetWwpn(const std::string& serial, int port) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04d", port % 10000);
    return "5001738" + hexArraySerial(serial).substr(2) + buf;
}

std::string iscsiTarget(const std::string& serial) {
    return "iqn.2005-10.com.xivstorage:" + serial;
}

bool validFcPort(const std::string& port) {
    std::string digits;
    for (char c : port)
        if (c != ':') digits += c;
    if (digits.size() != 16) return false;
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

bool validIscsiPort(const std::string& port) {
    std::string low = lowerText(port);
    if (!(startsWith(low, "iqn.") || startsWith(low, "eui.") || startsWith(low, "naa.")))
        return false;
    if (port.size() > 223) return false;
    for (unsigned char c : port)
        if (c <= ' ' || c >= 0x7f) return false;
    return true;
}

PortKind classifyPort(const std::string& port) {
    if (validIscsiPort(port)) return PortKind::Iscsi;
    if (validFcPort(port)) return PortKind::Fc;
    return PortKind::Bad;
}

std::string normalPort(const std::string& port) {
    if (classifyPort(port) == PortKind::Iscsi) return lowerText(port);
    std::string out;
    for (char c : port)
        if (c != ':') out += c;
    return upperText(out);
}

}  // namespace sim
