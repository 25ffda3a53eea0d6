#include "SimArray.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "RunProgram.h"

std::string SimBinDir() { return ZRSO_BIN_DIR; }

std::string BuiltProgram(const std::string& name) { return SimBinDir() + "/" + name; }

std::string PluginPath() { return std::string(ZRSO_LIB_DIR) + "/libZRSnapHandlerXIV.so"; }

bool SimAvailable(const std::vector<std::string>& others) {
    std::vector<std::string> programs{"xcli", "xcli-sim"};
    programs.insert(programs.end(), others.begin(), others.end());
    for (const std::string& name : programs)
        if (::access(BuiltProgram(name).c_str(), X_OK) != 0) return false;
    return true;
}

bool PluginAvailable() { return ::access(PluginPath().c_str(), R_OK) == 0; }

std::vector<std::string> RunFields(const std::string& run) {
    std::vector<std::string> fields;
    std::istringstream in(run);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    return fields;
}

SimArray::SimArray()
    : own_(std::make_unique<TempDir>("zrso-sim")),
      state_(own_->path()),
      stateEnv_(std::make_unique<ScopedEnv>("XIV_SIM_STATE", state_)),
      password_(std::make_unique<ScopedEnv>("XIV_XCLIPASSWORD", nullptr)) {}

SimArray::SimArray(std::string stateDir) : state_(std::move(stateDir)) {}

std::string SimArray::Admin(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{BuiltProgram("xcli-sim"), "--state", state_};
    argv.insert(argv.end(), args.begin(), args.end());
    ProgramRun run = RunProgram(argv);
    if (run.status != 0) {
        // The step named, its password masked.
        std::string words;
        for (size_t i = 0; i < args.size(); ++i)
            words += " " + (i > 0 && args[i - 1] == "--password" ? "***" : args[i]);
        throw std::runtime_error("xcli-sim" + words + " failed: " + run.err);
    }
    return run.out;
}

std::vector<std::string> SimArray::Runs(const std::string& address) const {
    std::vector<std::string> args{"runs"};
    if (!address.empty()) args.insert(args.end(), {"--address", address});
    std::vector<std::string> runs;
    std::istringstream lines(Admin(args));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) runs.push_back(line);
    return runs;
}

void SimArray::ClearRuns(const std::string& address) const {
    Admin({"runs", "--address", address, "--clear"});
}

RunCounts SimArray::CountRuns(const std::string& address) const {
    RunCounts counts;
    for (const std::string& run : Runs(address)) {
        const std::vector<std::string> fields = RunFields(run);
        if (fields.size() < 3) continue;
        const bool csv =
            fields.size() > 5 && std::find(fields.begin() + 5, fields.end(), "-s") != fields.end();
        ++counts[fields[2] + (csv ? " -s" : "")];
    }
    return counts;
}

RunCounts SimArray::TakeRuns(const std::string& address) const {
    RunCounts counts = CountRuns(address);
    ClearRuns(address);
    return counts;
}

std::vector<std::string> SimArray::RunArguments(const std::string& address,
                                                const std::string& operation) const {
    std::vector<std::string> arguments;
    for (const std::string& run : Runs(address)) {
        const std::vector<std::string> fields = RunFields(run);
        if (fields.size() > 3 && fields[2] == operation) arguments.push_back(fields[3]);
    }
    return arguments;
}

HostWorldEnv::HostWorldEnv(const std::string& prefix)
    : tmp_(prefix),
      tmpdir_("TMPDIR", tmp_.path()),
      // Each keeps the value of now.
      config_("ZRSO_CONFIG", std::getenv("ZRSO_CONFIG")),
      key_("ZRSO_KEY_FILE", std::getenv("ZRSO_KEY_FILE")),
      log_("ZRSO_LOG_FILE", std::getenv("ZRSO_LOG_FILE")),
      disks_("ZRSO_SIM_DISKS", std::getenv("ZRSO_SIM_DISKS")),
      state_("XIV_SIM_STATE", std::getenv("XIV_SIM_STATE")),
      scale_("ZRSO_SLEEP_SCALE", std::getenv("ZRSO_SLEEP_SCALE")) {}
