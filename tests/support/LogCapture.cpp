#include "LogCapture.h"

#include <fstream>
#include <sstream>

LogCapture::LogCapture()
    : dir_("zrso-log"), path_(dir_.file("debug.log")), env_("ZRSO_LOG_FILE", path_) {
    std::ofstream(path_, std::ios::trunc);
}

std::string LogCapture::text() const { return ReadFileText(path_); }

namespace {

// One line of the log format; false when it is not one.
bool ParseLine(const std::string& line, DebugLine* out) {
    // time, pid, job, level, function: the message is the rest (it may hold tabs).
    std::string fields[5];
    size_t start = 0;
    for (std::string& f : fields) {
        size_t tab = line.find('\t', start);
        if (tab == std::string::npos) return false;
        f = line.substr(start, tab - start);
        start = tab + 1;
    }
    try {
        out->pid = std::stol(fields[1]);
        out->job = std::stoll(fields[2]);
        out->level = std::stoi(fields[3]);
    } catch (...) {
        return false;
    }
    out->function = fields[4];
    out->message = line.substr(start);
    return true;
}

}  // namespace

std::vector<DebugLine> LogCapture::lines() const {
    std::vector<DebugLine> out;
    std::istringstream in(text());
    std::string line;
    while (std::getline(in, line)) {
        DebugLine parsed;
        if (ParseLine(line, &parsed)) out.push_back(parsed);
    }
    return out;
}

int LogCapture::count(const std::string& needle, int level) const {
    int n = 0;
    for (const DebugLine& l : lines()) {
        if (level != -99 && l.level != level) continue;
        if (l.message.find(needle) != std::string::npos) ++n;
    }
    return n;
}
