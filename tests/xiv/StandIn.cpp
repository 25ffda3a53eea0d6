#include "StandIn.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

const char* const SCRIPT = R"SH(#!/bin/sh
d=$(dirname "$0")
n=$(( $(cat "$d/count" 2>/dev/null || echo 0) + 1 ))
echo "$n" > "$d/count"
printf '%s\n' "$0" "$@" > "$d/argv.$n"
printf '%s' "${XIV_XCLIPASSWORD-(unset)}" > "$d/env.$n"
if [ -f "$d/answer.$n" ]; then cat "$d/answer.$n"; elif [ -f "$d/answer" ]; then cat "$d/answer"; fi
if [ -f "$d/stderr" ]; then cat "$d/stderr" >&2; fi
exit "$(cat "$d/status" 2>/dev/null || echo 0)"
)SH";

// Settings and log of this test process stay private and quiet; tests that
// look at log lines take a LogCapture of their own.
struct Quiet {
    TempDir dir{"xiv-tests"};
    Quiet() {
        setenv("ZRSO_CONFIG", dir.write("platform.ini", "").c_str(), 1);
        setenv("ZRSO_LOG_FILE", dir.file("debug.log").c_str(), 1);
    }
} quiet;

}  // namespace

StandIn::StandIn(const std::string& inner)
    : temp_("xcli-standin"),
      inner_(inner.empty() ? "" : inner + "/"),
      dir_(inner.empty() ? temp_.path() : temp_.file(inner)) {
    std::filesystem::create_directories(dir_);
    for (const char* name : {"xcli", "xiv_devlist"}) chmod(put(name, SCRIPT).c_str(), 0755);
}

std::string StandIn::put(const std::string& name, const std::string& text) const {
    return temp_.write(inner_ + name, text);
}

void StandIn::answer(const std::string& text, int status) {
    put("answer", text);
    put("status", std::to_string(status));
}

void StandIn::answerFor(int run, const std::string& text) {
    put("answer." + std::to_string(run), text);
}

void StandIn::stderrText(const std::string& text) { put("stderr", text); }

int StandIn::runs() const { return std::atoi(ReadFileText(dir_ + "/count").c_str()); }

std::vector<std::string> StandIn::argv(int run) const {
    std::vector<std::string> words;
    std::istringstream in(ReadFileText(dir_ + "/argv." + std::to_string(run)));
    for (std::string line; std::getline(in, line);) words.push_back(line);
    return words;
}

std::string StandIn::password(int run) const {
    return ReadFileText(dir_ + "/env." + std::to_string(run));
}

std::vector<DebugLine> LinesOf(const LogCapture& log, const std::string& function) {
    std::vector<DebugLine> found;
    for (const DebugLine& line : log.lines())
        if (line.function == function) found.push_back(line);
    return found;
}

std::string Answer(const std::string& status, const std::string& body) {
    return "<XCLIRETURN STATUS=\"" + status + "\" COMMAND_LINE=\"x\"><OUTPUT>" + body +
           "</OUTPUT></XCLIRETURN>";
}
