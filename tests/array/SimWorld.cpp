#include "SimWorld.h"

#include <unistd.h>

#include <sstream>
#include <stdexcept>

#include "RunProgram.h"

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

}  // namespace

std::string SimBinDir() { return ZRSO_BIN_DIR; }

bool SimAvailable() {
    return ::access((SimBinDir() + "/xcli").c_str(), X_OK) == 0 &&
           ::access((SimBinDir() + "/xcli-sim").c_str(), X_OK) == 0;
}

SimWorld::SimWorld()
    : dir_("array-test"),
      state_("XIV_SIM_STATE", dir_.path()),
      log_("ZRSO_LOG_FILE", dir_.file("debug.log")),
      config_("ZRSO_CONFIG", dir_.file("platform.ini")),
      password_("XIV_XCLIPASSWORD", nullptr) {}

std::string SimWorld::Admin(const std::vector<std::string>& args) {
    std::vector<std::string> argv{SimBinDir() + "/xcli-sim"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    if (RunProgram(argv, &out) != 0) {
        std::string words;
        for (const std::string& a : args) words += " " + a;
        throw std::runtime_error("xcli-sim" + words + " failed");
    }
    return out;
}

RunCounts SimWorld::TakeRuns(const std::string& address) {
    RunCounts counts;
    std::istringstream lines(Admin({"runs", "--address", address}));
    std::string line;
    // time, address, operation, arguments, password source, then argv.
    while (std::getline(lines, line)) {
        std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() < 3) continue;
        std::string key = fields[2];
        for (size_t i = 5; i < fields.size(); ++i)
            if (fields[i] == "-s") key += " -s";
        ++counts[key];
    }
    Admin({"runs", "--address", address, "--clear"});
    return counts;
}

std::vector<std::string> SimWorld::RunArguments(const std::string& address,
                                                const std::string& op) {
    std::vector<std::string> found;
    std::istringstream lines(Admin({"runs", "--address", address}));
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() >= 4 && fields[2] == op) found.push_back(fields[3]);
    }
    return found;
}
