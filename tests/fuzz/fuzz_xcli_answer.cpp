// XCLI answers come from a child process: any bytes at all.
#include <cstdint>
#include <string>

#include "tests/fuzz/FuzzQuiet.h"
#include "xiv/XCliParse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kinds[] = {"",   "host",       "volume", "vol_mapping",      "mapping",
                                        "cg", "snap_group", "pool",   "host_connectivity"};
    std::string kind = kinds[size ? data[0] % 9 : 0];
    std::string xml(reinterpret_cast<const char*>(data), size);
    SkipExtraLines(xml);
    std::string status, errorText;
    ResourceList records;
    ParseOutput(kind, xml, status, errorText, records);
    return 0;
}
