#include "Recorded.h"

int CountLogs(const std::vector<LogEntry>& logs, const std::string& needle, int level) {
    int n = 0;
    for (const LogEntry& e : logs) {
        if (level != -99 && e.level != level) continue;
        if (e.text.find(needle) != std::string::npos) ++n;
    }
    return n;
}

std::string JoinLogs(const std::vector<LogEntry>& logs) {
    std::string all;
    for (const LogEntry& e : logs) {
        all += std::to_string(e.level) + " " + e.function + ": " + e.text + "\n";
    }
    return all;
}
