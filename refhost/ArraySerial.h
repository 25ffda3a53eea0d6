// Array serial forms: seven decimal digits (two, then a five-digit number),
// and the hexadecimal form that keeps the first two digits and writes the
// number as five hex digits (1310133 <-> 1302795).
#pragma once

#include <string>

namespace refhost {

bool isDecimalSerial(const std::string& serial);
// Empty when the serial is not seven decimal digits.
std::string hexSerial(const std::string& decimalSerial);
// The decimal form of a hexadecimal serial (two digits, five hex digits);
// empty when hexSerial is not one.
std::string decimalSerial(const std::string& hexSerial);
// True when id names this serial in either form (hex compared without case).
bool serialMatches(const std::string& decimalSerial, const std::string& id);

}  // namespace refhost
