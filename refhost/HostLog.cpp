#include "refhost/HostLog.h"

#include <cstdio>
#include <vector>

#include "host/rt/DebugLog.h"

namespace refhost {

void hostLog(int level, const char* function, int64_t jobId, const std::string& text) {
    DebugLog log(nullptr);
    log.DebugLvl(function ? function : "", level, static_cast<long long>(jobId), "%s", text.c_str());
}

std::string vformat(const char* format, va_list args) {
    if (!format) return std::string();
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, args);
    return std::string(big.data(), static_cast<size_t>(n));
}

int debugLevelOfRecordLevel(int level) {
    switch (level) {
        case 0: return 2;
        case 2: return -1;
        default: return 0;
    }
}

}  // namespace refhost
