// What xiv_devlist prints is read as CSV; any bytes at all.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzQuiet.h"
#include "xiv/XivDevList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string output(reinterpret_cast<const char*>(data), size);
    XivDevList reader("", XivLogger(static_cast<ZRSO::SnapInfo*>(nullptr)));
    std::vector<XivDeviceInfo> devices;
    reader.ParseOutput(output, devices);
    return 0;
}
