// VMware device identifiers are host attribute strings: any bytes.
#include <cstdint>
#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "engine/identity/DeviceIdentifier.h"
#include "support/FakeSnapInfo.h"
#include "tests/fuzz/FuzzQuiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    FakeSnapInfo info;
    XIVFilerSnapInfo record;
    ParseDeviceIdentifier(0, text, record, &info);
    return 0;
}
