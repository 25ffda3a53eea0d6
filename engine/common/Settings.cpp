#include "engine/common/Settings.h"

#include "engine/common/HostBuffer.h"
#include "host/rt/PlatformConfig.h"

namespace {

bool PlatformText(const char* key, std::string* out) {
    PlatformConfig config;
    return config.getString("Trellis", key, out) != 0;
}

}  // namespace

int GetRegInt(const char* key, int* value) {
    if (key == nullptr || value == nullptr) return 0;
    // Stored only when found, so the caller's default survives a miss.
    int found = 0;
    PlatformConfig config;
    if (!config.getRegInt("~Trellis", key, &found)) return 0;
    *value = found;
    return 1;
}

std::string GetXCLIPath(ZRSO::SnapInfo* info) {
    static const char* const kFunction = "GetXCLIPath";
    std::string path;
    if (PlatformText("XCLI_BINARY_LOCATION", &path)) {
        if (info) info->log(ZRSO::LOG_DETAIL, kFunction, "XCLI path(1) [%s]", path.c_str());
        return path;
    }
    if (info == nullptr) return std::string();
    HostTextRequest request;
    request.bufferSize = 10240;
    HostTextResult answer = ReadRecordText(
        [info](char* buffer, short* size) {
            return info->getConfigString("SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH", buffer,
                                         size);
        },
        request);
    // Any answer other than "too small" ends the asking; whatever the buffer
    // holds then is the directory. A host still saying "too small" after the
    // bounded retries has given nothing usable.
    path = answer.status == kRecordTooSmall ? std::string() : answer.text;
    info->log(ZRSO::LOG_DETAIL, kFunction, "XCLI path (2) [%s]", path.c_str());
    return path;
}

std::string GetXIVDevListPath(ZRSO::SnapInfo* info) {
    std::string path;
    if (PlatformText("sXivDevListPath", &path) && info) {
        info->log(ZRSO::LOG_DETAIL, "GetXIVDevListPath", "xiv_devlist Path:[%s]", path.c_str());
    }
    return path;
}

int GetXIVRetryInterval(ZRSO::SnapInfo* info) {
    int seconds = kDefaultRetrySeconds;
    if (GetRegInt("nMountRetrySeconds", &seconds) != 1 && info) {
        info->getConfigInt("SMCONFIG_NAME_MOUNT_RETRY_INTERVAL_IN_SEC", &seconds);
    }
    // A negative interval would turn into an endless unsigned sleep later.
    if (seconds <= 0) seconds = kDefaultRetrySeconds;
    if (info) info->log(ZRSO::LOG_DETAIL, "GetXIVRetryInterval", "Retry Interval [%d]", seconds);
    return seconds;
}

int GetXIVUseConsistencyGroup(ZRSO::SnapInfo* info) {
    int use = 0;
    if (info == nullptr) return use;
    info->getConfigInt("SMCONFIG_NAME_IBM_XIV_USE_CONSISTENCY_GROUP", &use);
    info->log(ZRSO::LOG_DETAIL, "GetXIVUseConsistencyGroup", "Use Consistency Group [%d]", use);
    return use;
}
