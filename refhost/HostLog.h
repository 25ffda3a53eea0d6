// The host's own lines in the shared debug log (the runtime's DebugLog).
#pragma once

#include <cstdint>
#include <string>

namespace refhost {

// level: the DebugLog scale (-1 error, 0 normal, 2 detail).
void hostLog(int level, const char* function, int64_t jobId, const std::string& text);

// Record log levels (0 detail, 1 information, 2 error) on the DebugLog scale.
int debugLevelOfRecordLevel(int level);

}  // namespace refhost
