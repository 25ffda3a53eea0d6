#include "FakeSnapInfo.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

int FakeSnapInfo::countLogs(const std::string& needle, int level) const {
    int n = 0;
    for (const LogEntry& e : logs)
        if ((level == -99 || e.level == level) && e.text.find(needle) != std::string::npos) ++n;
    return n;
}

std::string FakeSnapInfo::logText() const {
    std::string all;
    for (const LogEntry& e : logs)
        all += std::to_string(e.level) + " " + e.function + ": " + e.text + "\n";
    return all;
}

int FakeSnapInfo::selectArrayLogin(const char* arrayId) {
    if (loginsByArray.empty()) return 0;
    auto it = loginsByArray.find(Safe(arrayId));
    if (it == loginsByArray.end()) return 1;
    arrayLogin = it->second;
    return 0;
}

void FakeSnapInfo::log(int level, const char* function, const char* format, ...) {
    if (onCall) onCall(__func__);
    std::vector<char> text(1 << 16);  // longer than any line the plug-in writes
    va_list args;
    va_start(args, format);
    if (format) std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    logs.push_back(LogEntry{level, Safe(function), format ? text.data() : "NULL"});
}

int FakeSnapInfo::getConfigInt(const char* setting, int* value) {
    auto it = configInts.find(Safe(setting));
    if (it != configInts.end() && value) *value = it->second;
    return 0;
}

int FakeSnapInfo::getIntProperty(int id, int* out) {
    if (onCall) onCall(__func__);
    auto it = intProperties.find(id);
    if (it == intProperties.end()) return 1;
    if (out) *out = it->second;
    return 0;
}

int FakeSnapInfo::getSnapshotIdText(std::string& out) {
    out = snapshotId.text();
    return 0;
}
