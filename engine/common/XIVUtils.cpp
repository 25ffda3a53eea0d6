#include "engine/common/XIVUtils.h"

#include <climits>
#include <string>

#include "engine/common/AttributeText.h"
#include "engine/common/HostBuffer.h"
#include "host/rt/PlatformConfig.h"

namespace {
const char* const kClientDirectorySetting = "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH";
}  // namespace

int LeadingDecimal(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(value);
}

bool XIVUtils::ParseForControlHostId(const char* arrayInfo, std::string& id, DebugLog log) {
    if (arrayInfo == nullptr) {
        log.DebugLvl("XIVUtils::ParseForControlHostId", DebugLog::kError, "%s",
                     "Array info is NULL unable to get hostid info");
        return false;
    }
    return GetJsonVal(arrayInfo, "hostid", id);
}

int XIVUtils::getControlHostId(ZRSO::ZROSUtil* osUtil, DebugLog log, const char* controlHost,
                               int& id) {
    static const char* const kFunction = "XIVUtils::getControlHostId";
    if (osUtil == nullptr) {
        log.DebugLvl(kFunction, DebugLog::kError, "%s", "osutil is NULL!!");
        return 1;
    }
    const char* host = controlHost ? controlHost : "";
    HostTextRequest request;
    request.bufferSize = 4096;
    HostTextResult info = ReadServiceText(
        [&](char* buffer, short size) {
            short inOut = size;
            return osUtil->fetchArrayInfo(host, buffer, &inOut);
        },
        request);
    // A host that kept asking for more room is stopped by the reader; that
    // counts as a failed request like a negative answer.
    if (!info.ok()) {
        log.DebugLvl(kFunction, DebugLog::kError,
                     "Unable to get arrayInfo for the array [%s]. Error = %d", host, info.status);
        return 1;
    }
    std::string idText;
    if (!ParseForControlHostId(info.text.c_str(), idText, log)) {
        std::string message = std::string("Host ID not found for the control host [") + host + "].";
        log.DebugLvl(kFunction, DebugLog::kError, "[%s]", message.c_str());
        return 1;
    }
    id = LeadingDecimal(idText);
    return 0;
}

std::string XIVUtils::GetXCLIpath(ZRSO::ZROSUtil* osUtil, DebugLog log, const char* arrayName) {
    static const char* const kFunction = "XIVUtils::GetXCLIPath";
    std::string path;
    {
        PlatformConfig config;
        if (config.getString("Trellis", "XCLI_BINARY_LOCATION", &path)) return path;
    }
    int id = 0;
    if (getControlHostId(osUtil, log, arrayName, id) == 1) {
        log.DebugLvl(kFunction, DebugLog::kError, "%s", "Failed to get control host id");
        return std::string();
    }
    char buffer[1024] = {0};
    short size = 1023;
    unsigned short answer =
        osUtil->getArrayConfig(id, nullptr, kClientDirectorySetting, buffer, &size);
    if (answer == 65535) {
        log.DebugLvl(kFunction, DebugLog::kNormal, "Failed to get Array Config[%s]",
                     kClientDirectorySetting);
    }
    buffer[sizeof buffer - 1] = '\0';  // whatever the host wrote, the text ends here
    return std::string(buffer);
}
