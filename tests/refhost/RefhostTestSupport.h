// Shared pieces of the reference host tests: a temporary directory that
// cleans up after itself, a key file of its own, and running zrso-host.
#pragma once

#include <ftw.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/rt/ProcessRunner.h"

namespace refhost_test {

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/refhost-test-XXXXXX";
        if (mkdtemp(&pattern[0])) path_ = pattern;
    }
    ~TempDir() {
        if (path_.size() > 8)
            nftw(path_.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); },
                 16, FTW_DEPTH | FTW_PHYS);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::trunc | std::ios::binary);
    out << text;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Points the runtime's cipher at a key of this test and its log at a file.
class RuntimeEnv {
public:
    explicit RuntimeEnv(const TempDir& dir) {
        setenv("ZRSO_KEY_FILE", (dir / "cipher.key").c_str(), 1);
        setenv("ZRSO_LOG_FILE", (dir / "debug.log").c_str(), 1);
        setenv("ZRSO_CONFIG", (dir / "platform.ini").c_str(), 1);
    }
};

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs zrso-host (no shell) with these words; none may hold a blank.
inline RunResult runHost(const std::vector<std::string>& words) {
    std::string line = std::string(ZRSO_BIN_DIR) + "/zrso-host";
    for (const auto& w : words) line += " " + w;
    RunResult r;
    ProcessRunner runner;
    r.status = runner.system(line.c_str(), &r.out, &r.err, nullptr, true);
    return r;
}

}  // namespace refhost_test
