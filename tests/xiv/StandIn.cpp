#include "StandIn.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

const char* const SCRIPT = R"SH(#!/bin/sh
d=$(dirname "$0")
n=$(( $(cat "$d/count" 2>/dev/null || echo 0) + 1 ))
echo "$n" > "$d/count"
printf '%s\n' "$0" > "$d/argv.$n"
for a in "$@"; do printf '%s\n' "$a" >> "$d/argv.$n"; done
printf '%s' "${XIV_XCLIPASSWORD-(unset)}" > "$d/env.$n"
if [ -f "$d/before" ]; then . "$d/before"; fi
if [ -f "$d/answer.$n" ]; then cat "$d/answer.$n"; elif [ -f "$d/answer" ]; then cat "$d/answer"; fi
if [ -f "$d/stderr" ]; then cat "$d/stderr" >&2; fi
exit "$(cat "$d/status" 2>/dev/null || echo 0)"
)SH";

// One scratch root per test process; the log and settings point into it
// before any log line is written.
struct World {
    std::string root;
    World()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/xiv_tests.XXXXXX";
        if (!mkdtemp(&pattern[0])) throw std::runtime_error("mkdtemp");
        root = pattern;
        setenv("ZRSO_LOG_FILE", (root + "/debug.log").c_str(), 1);
        setenv("ZRSO_CONFIG", (root + "/platform.ini").c_str(), 1);
        StandIn::write(root + "/platform.ini", "[Trellis]\n");
        StandIn::write(root + "/debug.log", "");
    }
    ~World()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

World& world()
{
    static World w;
    return w;
}

// Settle the environment before main: log objects read it at their first line.
const bool settled = (world(), true);

long fileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

}  // namespace

std::string StandIn::read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void StandIn::write(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

StandIn::StandIn(const std::string& inner)
{
    (void)settled;
    std::string pattern = world().root + "/standin.XXXXXX";
    if (!mkdtemp(&pattern[0])) throw std::runtime_error("mkdtemp");
    dir_ = pattern;
    if (!inner.empty()) {
        dir_ += "/" + inner;
        fs::create_directories(dir_);
    }
    for (const char* name : {"xcli", "xiv_devlist"}) {
        write(dir_ + "/" + name, SCRIPT);
        chmod((dir_ + "/" + name).c_str(), 0755);
    }
}

StandIn::~StandIn()
{
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void StandIn::answer(const std::string& text, int status)
{
    write(dir_ + "/answer", text);
    write(dir_ + "/status", std::to_string(status));
}

void StandIn::answerFor(int run, const std::string& text)
{
    write(dir_ + "/answer." + std::to_string(run), text);
}

void StandIn::stderrText(const std::string& text) { write(dir_ + "/stderr", text); }

void StandIn::before(const std::string& snippet) { write(dir_ + "/before", snippet + "\n"); }

int StandIn::runs() const
{
    const std::string n = read(dir_ + "/count");
    return n.empty() ? 0 : std::atoi(n.c_str());
}

std::vector<std::string> StandIn::argv(int run) const
{
    std::vector<std::string> words;
    std::istringstream in(read(dir_ + "/argv." + std::to_string(run)));
    for (std::string line; std::getline(in, line);) words.push_back(line);
    return words;
}

std::string StandIn::password(int run) const
{
    return read(dir_ + "/env." + std::to_string(run));
}

LogTail::LogTail() : start_(fileSize(world().root + "/debug.log")) {}

std::string LogTail::text() const
{
    const std::string all = StandIn::read(world().root + "/debug.log");
    return static_cast<size_t>(start_) < all.size() ? all.substr(start_) : std::string();
}

std::vector<std::string> LogTail::linesOf(const std::string& function) const
{
    std::vector<std::string> found;
    std::istringstream in(text());
    for (std::string line; std::getline(in, line);) {
        // time, pid, job, level, function, message
        size_t at = 0;
        for (int i = 0; i < 4 && at != std::string::npos; ++i) {
            at = line.find('\t', at);
            if (at != std::string::npos) ++at;
        }
        if (at == std::string::npos) continue;
        if (line.compare(at, function.size() + 1, function + "\t") == 0) found.push_back(line);
    }
    return found;
}

std::string Answer(const std::string& status, const std::string& body)
{
    return "<XCLIRETURN STATUS=\"" + status + "\" COMMAND_LINE=\"x\"><OUTPUT>" + body +
           "</OUTPUT></XCLIRETURN>";
}
