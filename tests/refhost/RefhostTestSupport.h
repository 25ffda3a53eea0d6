// Shared pieces of the reference host tests: the shared temporary directory
// with a path operator, a key and log of the test's own, and running zrso-host.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "host/rt/ProcessRunner.h"

namespace refhost_test {

class TestDir : public ::TempDir {
public:
    TestDir() : ::TempDir("refhost-test") {}
    std::string operator/(const std::string& name) const { return file(name); }
};

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::trunc | std::ios::binary) << text;
}
inline std::string readFile(const std::string& path) { return ReadFileText(path); }
inline bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Points the runtime's cipher at a key of this test and its log at a file.
struct RuntimeEnv {
    explicit RuntimeEnv(const TestDir& dir) {
        setenv("ZRSO_KEY_FILE", (dir / "cipher.key").c_str(), 1);
        setenv("ZRSO_LOG_FILE", (dir / "debug.log").c_str(), 1);
        setenv("ZRSO_CONFIG", (dir / "platform.ini").c_str(), 1);
    }
};

struct RunResult {
    int status = -1;
    std::string out, err;
};

// Runs zrso-host (no shell) with these words; none may hold a blank.
inline RunResult runHost(const std::vector<std::string>& words) {
    std::string line = std::string(ZRSO_BIN_DIR) + "/zrso-host";
    for (const auto& w : words) line += " " + w;
    RunResult r;
    r.status = ProcessRunner().system(line.c_str(), &r.out, &r.err, nullptr, true);
    return r;
}

}  // namespace refhost_test
