// Points the runtime's debug log at a private file for the lifetime of the
// object and reads its lines back. Logs created while it lives write there.
#pragma once

#include <string>
#include <vector>

#include "TempDir.h"

struct DebugLine {
    long long job = 0;
    int level = 0;
    std::string message;  // inner line breaks appear as the two characters \n
};

class LogCapture {
public:
    LogCapture();

    std::vector<DebugLine> lines() const;
    // Lines whose message contains needle (and whose level matches, unless
    // level is the default -99).
    int count(const std::string& needle, int level = -99) const;
    // The whole file as written, for failure messages.
    std::string text() const { return ReadFileText(path_); }

private:
    TempDir dir_;
    std::string path_;
    ScopedEnv env_;
};
