// The map request of the provisioning entry points: the hosts and initiator
// ports a LUN is to be mapped to or unmapped from, handed over by the host as
// a small JSON document:
//   {"hosts":[{"hostname":"h1","hostos":"Linux","protocol":"3",
//              "endpoints":[{"endpoint":"2100000000000001"}, ...]}, ...]}
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One host entry of a map request.
class mapInfo {
public:
    std::string sHostName;               // "hostname"
    std::vector<std::string> endPoints;  // "endpoint" of each endpoint object, in order
    std::int16_t nProtocol = 0;          // "protocol", 3 or 4 when valid
    std::string sOsType;                 // "hostos", free text
};

// Reads a map request and appends one mapInfo per host to hosts. False (and
// nothing appended) for a null text, a text that is not a JSON object with at
// least one member, or a request whose members are missing or of the wrong
// JSON type. An empty "hosts" array gives true and no entries.
bool ParseMapInfo(const char* request, std::uint64_t jobId, std::vector<mapInfo>& hosts);
// The same for a text of known length that need not be NUL-terminated.
bool ParseMapInfo(const char* request, std::size_t length, std::uint64_t jobId,
                  std::vector<mapInfo>& hosts);

// Replaces a free-text OS name with the array's OS type: "windows",
// "solaris", "linux", "hpux", "aix", or empty when none of them is named.
void xlateOsType(std::string& osType);
