// The CSV name and WWN listing; any bytes at all.
#include <cstdint>
#include <string>
#include <vector>

#include "host/rt/DebugLog.h"
#include "tests/fuzz/FuzzQuiet.h"
#include "xiv/XCliCsv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string output(reinterpret_cast<const char*>(data), size);
    XCliCsv csv("user", "password", "array", "", XivLogger(DebugLog()));
    std::vector<XivVolumeInfo> volumes;
    XivError error;
    csv.ParseVolListOutput(output, volumes, error);
    return 0;
}
