// Array serial forms, volume WWNs, target ports and initiator port names.
#pragma once
#include <cstdint>
#include <string>

namespace sim {

// Seven decimal digits, e.g. "1310133".
bool validArraySerial(const std::string& serial);
// "1310133" -> "1302795": the first two digits, then the number as five hex digits.
std::string hexArraySerial(const std::string& serial);
// 32 upper-case hex digits: NAA 6 with the IBM XIV prefix, the array and the volume.
std::string volumeWwn(const std::string& serial, std::int64_t volumeSerial);
// Unit serial page text: hex array serial followed by the volume serial.
std::string unitSerial(const std::string& serial, std::int64_t volumeSerial);
// The array's Fibre Channel target port "5001738" + 5 hex digits + port number.
std::string targetWwpn(const std::string& serial, int port);
std::string iscsiTarget(const std::string& serial);

enum class PortKind { Fc, Iscsi, Bad };
// Fibre Channel names lose their colons and are upper-cased; iSCSI names are
// lower-cased (both compare case-insensitively on a real array).
PortKind classifyPort(const std::string& port);
std::string normalPort(const std::string& port);
bool validFcPort(const std::string& port);
bool validIscsiPort(const std::string& port);

}  // namespace sim
