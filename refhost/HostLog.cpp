#include "refhost/HostLog.h"

#include "host/rt/DebugLog.h"

namespace refhost {

void hostLog(int level, const char* function, int64_t jobId, const std::string& text) {
    DebugLog log(nullptr);
    log.DebugLvl(function ? function : "", level, static_cast<long long>(jobId), "%s",
                 text.c_str());
}

int debugLevelOfRecordLevel(int level) {
    switch (level) {
    case 0: return 2;
    case 2: return -1;
    default: return 0;
    }
}

}  // namespace refhost
