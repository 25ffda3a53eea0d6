#include "engine/common/RecordLog.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

std::string FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int need = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (need <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(need) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(need));
}

}  // namespace

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

std::string FormatMessage1024(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return std::string(buffer);
}

void RecordLog(ZRSO::SnapInfo* info, int level, const char* function, const std::string& text) {
    if (info != nullptr) info->log(level, function, "%s", text.c_str());
}
