// The host's own lines in the shared debug log (the runtime's DebugLog), and
// the formatting helper the record log uses.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace refhost {

// level: the DebugLog scale (-1 error, 0 normal, 2 detail).
void hostLog(int level, const char* function, int64_t jobId, const std::string& text);

std::string vformat(const char* format, va_list args);

// Record log levels (0 detail, 1 information, 2 error) on the DebugLog scale.
int debugLevelOfRecordLevel(int level);

}  // namespace refhost
