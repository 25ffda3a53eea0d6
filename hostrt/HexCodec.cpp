#include "hostrt/HexCodec.h"

namespace hostrt {

namespace {
int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::string hexEncode(const unsigned char* data, std::size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(digits[data[i] >> 4]);
        text.push_back(digits[data[i] & 0x0f]);
    }
    return text;
}

bool hexDecode(const std::string& text, std::vector<unsigned char>* out, bool allowBlanks) {
    out->clear();
    out->reserve(text.size() / 2);
    std::size_t i = 0;
    while (i < text.size()) {
        if (allowBlanks && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return false;
        int hi = digitValue(text[i]);
        int lo = digitValue(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<unsigned char>(hi << 4 | lo));
        i += 2;
    }
    return true;
}

}  // namespace hostrt
