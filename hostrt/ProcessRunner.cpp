#include "host/rt/ProcessRunner.h"

#include "host/rt/PlatformConfig.h"
#include "hostrt/ChildProcess.h"

namespace {
constexpr int kDefaultTimeoutSeconds = 900;

int timeLimitSeconds() {
    int seconds = 0;
    PlatformConfig config;
    if (config.getRegInt("~Trellis", "nProcessTimeoutSeconds", &seconds) && seconds > 0)
        return seconds;
    return kDefaultTimeoutSeconds;
}
}  // namespace

ProcessRunner::ProcessRunner() = default;
ProcessRunner::~ProcessRunner() = default;

int ProcessRunner::system(const char* commandLine, std::string* out, std::string* err,
                          const char* const* extraEnv, bool /*wait*/) {
    if (out) out->clear();
    if (err) err->clear();
    std::vector<std::string> words;
    const char* problem = nullptr;
    if (!commandLine) {
        problem = "no command line";
    } else if (!splitCommandLine(commandLine, &words)) {
        problem = "unterminated double quote in the command line";
    } else if (words.empty()) {
        problem = "empty command line";
    }
    if (problem) {
        if (err) *err = problem;
        return NOT_STARTED;
    }
    return hostrt::runChild(words, extraEnv, timeLimitSeconds(), out, err);
}
