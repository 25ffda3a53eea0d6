#include "hostrt/LogLine.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace hostrt {

namespace {

std::string timestamp() {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm utc;
    gmtime_r(&now.tv_sec, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(now.tv_nsec / 1000000));
    return text;
}

}  // namespace

std::string formatLogLine(long long job, int level, const char* function,
                          const std::string& message) {
    std::string line = timestamp();
    line += '\t';
    line += std::to_string(static_cast<long long>(::getpid()));
    line += '\t';
    line += std::to_string(job);
    line += '\t';
    line += std::to_string(level);
    line += '\t';
    for (const char* p = function ? function : "NULL"; *p; ++p)
        line += (*p == '\t' || *p == '\n' || *p == '\r') ? ' ' : *p;
    line += '\t';

    std::size_t length = message.size();
    while (length > 0 && (message[length - 1] == '\n' || message[length - 1] == '\r')) --length;
    line.reserve(line.size() + length + 1);
    // Copied in runs between line breaks: a logged xcli answer is long.
    const char* p = message.data();
    const char* end = p + length;
    while (p < end) {
        const char* run = p;
        while (p < end && *p != '\n' && *p != '\r') ++p;
        line.append(run, static_cast<std::size_t>(p - run));
        if (p < end) {
            line += *p == '\n' ? "\\n" : "\\r";
            ++p;
        }
    }
    line += '\n';
    return line;
}

std::string boundedMessage(std::string message) {
    if (message.size() <= kMaxLoggedMessage) return message;
    // The head names the answer and its status; the tail holds what a
    // failed run said last.
    const std::size_t head = kMaxLoggedMessage * 3 / 4, tail = kMaxLoggedMessage / 8;
    std::string note = " [... cut: " + std::to_string(message.size()) + " bytes in all ...] ";
    return message.substr(0, head) + note + message.substr(message.size() - tail);
}

}  // namespace hostrt
