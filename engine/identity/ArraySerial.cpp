#include "engine/identity/ArraySerial.h"

#include <cstdio>
#include <cstdlib>

#include "engine/common/RecordLog.h"
#include "engine/common/XIVUtils.h"

namespace {

constexpr size_t kSerialLength = 7;

}  // namespace

std::string DecimalOfHex(const std::string& hexDigits) {
    return FormatText("%05ld", std::strtol(hexDigits.c_str(), nullptr, 16));
}

std::string HexOfNumber(long number) { return FormatText("%05lx", number); }

bool HexSerialToDecimal(const std::string& hexSerial, std::string& decimalSerial) {
    if (hexSerial.size() < kSerialLength) return false;
    decimalSerial = hexSerial.substr(0, 2) + DecimalOfHex(hexSerial.substr(2, 5));
    return true;
}

bool DecimalSerialToHex(const std::string& decimalSerial, std::string& hexSerial) {
    if (decimalSerial.size() < 2) return false;
    int number = LeadingDecimal(decimalSerial.substr(2, 5));
    hexSerial = decimalSerial.substr(0, 2) + FormatText("%05x", static_cast<unsigned>(number));
    return true;
}

bool CompareArrayIds(std::string& diskArrayId, std::string& storedArrayId, ZRSO::SnapInfo* info) {
    if (diskArrayId.size() < 5 || storedArrayId.size() < 5) {
        RecordLog(info, ZRSO::LOG_DETAIL, "CompareArrayIds",
                  FormatText("Array ID1 [%s] Array ID2 [%s] are too short.", diskArrayId.c_str(),
                             storedArrayId.c_str()));
        return false;
    }
    const size_t n = diskArrayId.size() >= 7 && storedArrayId.size() >= 7 ? 7 : 5;
    const std::string diskTail = diskArrayId.substr(diskArrayId.size() - n);
    std::string storedTail = storedArrayId.substr(storedArrayId.size() - n);
    if (diskTail == storedTail) return true;
    ConvertToDecimal(storedTail, storedTail);
    return diskTail == storedTail;
}

void ConvertToDecimal(std::string& in, std::string& out) {
    const std::string text = in;
    std::string prefix, number = text;
    if (text.size() == kSerialLength) {
        prefix = text.substr(0, 2);
        number = text.substr(2);
    }
    const char* start = number.c_str();
    char* end = nullptr;
    const unsigned long long value = std::strtoull(start, &end, 16);
    if (end == start) {
        // No number at all: nothing that could equal a real array id.
        out.clear();
        return;
    }
    char digits[32];
    std::snprintf(digits, sizeof digits, "%05llu", value);
    out = prefix + digits;
}
