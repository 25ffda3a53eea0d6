// Map request parsing on arbitrary bytes: the request arrives from the host
// and must never crash the process it runs in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/provision/MapRequest.h"
#include "json/JsonReader.h"
#include "tests/fuzz/FuzzQuiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);

    // The reader on exactly the given bytes.
    bool complete = false;
    ReadJson(text, size, &complete);

    // Both forms of the request reader: of known length, and NUL-terminated.
    std::vector<mapInfo> hosts;
    ParseMapInfo(size ? text : "", size, 1u, hosts);
    const std::string terminated(text ? text : "", size);
    std::vector<mapInfo> again;
    ParseMapInfo(terminated.c_str(), 1u, again);

    for (mapInfo& host : hosts) xlateOsType(host.sOsType);
    return 0;
}
