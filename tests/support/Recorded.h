// What the fakes record of the plug-in's writes, and queries over log lines.
#pragma once

#include <string>
#include <vector>

struct LogEntry {
    int level;
    std::string function;
    std::string text;
};

struct ErrorEntry {
    int code;
    std::string message;
};

// Number of entries whose text contains needle (and, when level >= -1 is
// given, whose level matches; the default -99 matches every level).
int CountLogs(const std::vector<LogEntry>& logs, const std::string& needle, int level = -99);
// Every entry's text, one a line, for failure messages.
std::string JoinLogs(const std::vector<LogEntry>& logs);
