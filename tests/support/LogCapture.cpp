#include "LogCapture.h"

#include <fstream>
#include <sstream>

LogCapture::LogCapture()
    : dir_("zrso-log"), path_(dir_.file("debug.log")), env_("ZRSO_LOG_FILE", path_) {
    std::ofstream(path_, std::ios::trunc);
}

std::vector<DebugLine> LogCapture::lines() const {
    std::vector<DebugLine> out;
    std::istringstream in(text());
    for (std::string line; std::getline(in, line);) {
        // time, pid, job, level, function: the message is the rest (it may hold tabs).
        std::istringstream fields(line);
        std::string skipped;
        DebugLine l;
        if (std::getline(fields, skipped, '\t') && std::getline(fields, skipped, '\t') &&
            fields >> l.job >> l.level && fields.get() == '\t' &&
            std::getline(fields, skipped, '\t') && std::getline(fields, l.message))
            out.push_back(l);
    }
    return out;
}

int LogCapture::count(const std::string& needle, int level) const {
    int n = 0;
    for (const DebugLine& l : lines())
        n += (level == -99 || l.level == level) && l.message.find(needle) != std::string::npos;
    return n;
}
