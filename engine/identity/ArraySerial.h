// Array serial forms. An XIV array serial has seven characters: two decimal
// digits, then a number of five digits written in decimal ("1310133", the
// form kept in sArrayId) or in hexadecimal ("1302795", sArrayHexId, the form
// disks report). Fibre Channel port names and iSCSI targets carry the number
// alone.
#pragma once

#include <string>

#include "host/ZRSO.h"

// The hexadecimal number at the head of hexDigits in decimal, at least five
// digits.
std::string DecimalOfHex(const std::string& hexDigits);
// number in hexadecimal, at least five digits.
std::string HexOfNumber(long number);

// The decimal form of a hexadecimal serial read from a disk; false when the
// text has fewer than seven characters.
bool HexSerialToDecimal(const std::string& hexSerial, std::string& decimalSerial);
// The hexadecimal form of a decimal serial; false when it is shorter than two
// characters.
bool DecimalSerialToHex(const std::string& decimalSerial, std::string& hexSerial);

// Whether an array id read from a disk names the same array as the id kept
// for a duplicate: compared on the last 7 characters (5 when either is
// shorter), the kept one also in its decimal form.
bool CompareArrayIds(std::string& diskArrayId, std::string& storedArrayId, ZRSO::SnapInfo* info);
// The decimal form of a serial: 7 characters keep their first 2 and give the
// other 5 as a hexadecimal number; any other length is all number. The
// number is written with at least 5 digits. A text that starts with no
// hexadecimal digit gives an empty result. in and out may be one string.
void ConvertToDecimal(std::string& in, std::string& out);
