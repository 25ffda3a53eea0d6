#include "engine/identity/DeviceIdentifier.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "engine/common/AttributeText.h"
#include "engine/common/RecordLog.h"
#include "engine/identity/ArraySerial.h"
#include "xiv/TextHelpers.h"

namespace {

const char* const kFunction = "ParseDeviceIdentifier";

// An XIV port name is the vendor's seven-digit prefix, the five hex digits
// of the array serial and a port number: 16 digits. Anything shorter than
// the prefix plus one serial digit, or longer than the host's 50-byte field,
// cannot be one.
constexpr size_t kSerialOffset = 7;
constexpr size_t kSerialDigits = 5;
constexpr size_t kMaxPortNameLength = 49;
// XIV serials are seven decimal digits.
constexpr size_t kMaxIscsiSerialDigits = 7;

bool FibreChannelIds(XIVFilerSnapInfo& record, ZRSO::SnapInfo* info) {
    std::string digits = record.sArrayId;
    digits.erase(std::remove(digits.begin(), digits.end(), ':'), digits.end());
    if (digits.size() <= kSerialOffset || digits.size() > kMaxPortNameLength) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "[" + record.sArrayId + "] is not a valid Fibre Channel target name.");
        return false;
    }
    record.sArrayHexId = digits.substr(kSerialOffset, kSerialDigits);
    record.sArrayId = DecimalOfHex(record.sArrayHexId);
    RecordLog(info, ZRSO::LOG_DETAIL, kFunction, "FCP Filer Identifier :[" + record.sArrayId + "]");
    return true;
}

bool IscsiIds(XIVFilerSnapInfo& record, ZRSO::SnapInfo* info) {
    size_t colon = record.sArrayId.find(':');
    std::string tail =
        colon == std::string::npos ? record.sArrayId : record.sArrayId.substr(colon + 1);
    size_t digits = 0;
    while (digits < tail.size() && std::isdigit(static_cast<unsigned char>(tail[digits]))) ++digits;
    // Leading zeros carry no value; what remains must fit an array serial.
    size_t firstSignificant = tail.find_first_not_of('0');
    size_t significant = firstSignificant == std::string::npos || firstSignificant >= digits
                             ? 0
                             : digits - firstSignificant;
    if (significant > kMaxIscsiSerialDigits) {
        RecordLog(
            info, ZRSO::LOG_ERROR, kFunction,
            "[" + record.sArrayId + "] does not end in an array serial of at most seven digits.");
        return false;
    }
    long number = digits == 0 ? 0 : std::strtol(tail.substr(0, digits).c_str(), nullptr, 10);
    record.sArrayId = FormatText("%05ld", number);
    // A number of five digits is the serial's number alone; a longer one
    // carries the serial's first two digits.
    if (record.sArrayId.size() == kSerialDigits) {
        record.sArrayHexId = HexOfNumber(number);
    } else {
        DecimalSerialToHex(record.sArrayId, record.sArrayHexId);
    }
    RecordLog(info, ZRSO::LOG_DETAIL, kFunction,
              "iscsi Filer Identifier :[" + record.sArrayId + "]");
    return true;
}

}  // namespace

int ParseDeviceIdentifier(unsigned long long, std::string deviceId, XIVFilerSnapInfo& record,
                          ZRSO::SnapInfo* info) {
    if (deviceId.empty()) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "Error:Array info is empty unable to get filer login info");
        return 0;
    }
    if (deviceId.find("IBM") == std::string::npos) {
        RecordLog(info, ZRSO::LOG_DETAIL, kFunction, "[" + deviceId + "] is not an IBM disk.");
        return 0;
    }
    // "584956" is X, I, V as hex digits, the way LUN identifiers carry it.
    if (deviceId.find("584956") == std::string::npos && deviceId.find("XIV") == std::string::npos) {
        RecordLog(info, ZRSO::LOG_DETAIL, kFunction, "[" + deviceId + "] is not an IBM XIV disk.");
        return 0;
    }
    record.sArrayId.clear();
    record.sTargetType.clear();

    CommaKeyValue(deviceId, ",targetidentifier:", record.sArrayId);
    if (record.sArrayId.empty() || record.sArrayId == "0") {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "[" + record.sArrayId + "] is not a valid targetidentifier.");
        return 0;
    }
    record.sArrayId = StringToUpper(record.sArrayId);
    CommaKeyValue(deviceId, ",type:", record.sTargetType);

    bool derived;
    if (record.sTargetType == "fc") {
        derived = FibreChannelIds(record, info);
    } else if (record.sTargetType == "iscsi") {
        derived = IscsiIds(record, info);
    } else {
        RecordLog(info, ZRSO::LOG_DETAIL, kFunction,
                  "Device [" + deviceId + "]  Source type[" + record.sTargetType + "].");
        return 0;
    }
    if (!derived) return 0;
    RecordLog(info, ZRSO::LOG_INFO, kFunction,
              "Got targetidentifier:[" + record.sArrayId + "], type:[" + record.sTargetType + "] ");
    return 1;
}
