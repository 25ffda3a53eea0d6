// The snapshot metadata comes back from the host's record: any bytes.
#include <cstdint>
#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "engine/snapshot/SnapMetadata.h"
#include "tests/fuzz/FuzzQuiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    XIVFilerSnapInfo record;
    ParseMetaData(text.c_str(), record, nullptr);
    // What was read must be written back as it was, or refused.
    std::string again = FormatMetaData(record);
    XIVFilerSnapInfo reread;
    ParseMetaData(again.c_str(), reread, nullptr);
    return 0;
}
