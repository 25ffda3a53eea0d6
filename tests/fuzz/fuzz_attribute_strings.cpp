// Array info, login records and device attributes are host text of the form
// {key:value,...}; the first line of the input is the key to look up.
#include <cstdint>
#include <string>

#include "engine/common/AttributeText.h"
#include "engine/common/XIVFilerSnapInfo.h"
#include "engine/common/XIVUtils.h"
#include "engine/identity/Credentials.h"
#include "host/rt/DebugLog.h"
#include "tests/fuzz/FuzzQuiet.h"
#include "xiv/TextHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string key, text = input;
    size_t nl = input.find('\n');
    if (nl != std::string::npos) {
        key = input.substr(0, nl);
        text = input.substr(nl + 1);
    }
    std::string value;
    GetJsonVal(text, key, value);
    XIVUtils utils;
    std::string id;
    utils.ParseForControlHostId(text.c_str(), id, DebugLog());
    XIVFilerSnapInfo record;
    ParseArrayInfo(text.c_str(), record, nullptr);
    ParseForCredentials(text.c_str(), record, nullptr);
    formatString(text, false);
    formatString(text, true);
    StringToUpper(text);
    StringToUpper(text.c_str());
    return 0;
}
