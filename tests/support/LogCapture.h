// Points the runtime's debug log at a private file for the lifetime of the
// object and reads its lines back. Logs created while it lives write there.
#pragma once

#include <string>
#include <vector>

#include "TempDir.h"

struct DebugLine {
    std::string time;
    long pid = 0;
    long long job = 0;
    int level = 0;
    std::string function;
    std::string message;  // inner line breaks appear as the two characters \n
};

class LogCapture {
public:
    LogCapture();
    ~LogCapture() = default;

    const std::string& path() const { return path_; }
    std::vector<DebugLine> lines() const;
    // Lines whose message contains needle (and whose level matches, unless
    // level is the default -99).
    int count(const std::string& needle, int level = -99) const;
    // The whole file as written, for failure messages.
    std::string text() const;
    // Empties the file.
    void clear() const;

    // Parses one line of the log format; false when it is not one.
    static bool ParseLine(const std::string& line, DebugLine* out);

private:
    TempDir dir_;
    std::string path_;
    ScopedEnv env_;
};
