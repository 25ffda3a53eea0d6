#include "refhost/SimAdmin.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "host/rt/ProcessRunner.h"

namespace refhost {
namespace {

// The runner splits at blanks and drops double quotes: a word with blanks is
// quoted, and a word holding a quote cannot be passed at all.
std::string quoteWord(const std::string& word) {
    if (word.find('"') != std::string::npos)
        throw std::invalid_argument("argument holds a double quote: " + word);
    if (word.empty() || word.find_first_of(" \t\n") != std::string::npos) return "\"" + word + "\"";
    return word;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) out.push_back(field);
    return out;
}

}  // namespace

bool SimAdmin::available() const { return ::access(program().c_str(), X_OK) == 0; }

int SimAdmin::run(const std::vector<std::string>& args, std::string* out, std::string* err) const {
    std::string line = quoteWord(program());
    for (const auto& a : args) line += " " + quoteWord(a);
    std::string stateEnv = "XIV_SIM_STATE=" + stateDir_;
    const char* env[] = {stateEnv.c_str(), nullptr};
    ProcessRunner runner;
    return runner.system(line.c_str(), out, err, env, true);
}

std::string SimAdmin::runOrThrow(const std::vector<std::string>& args) const {
    std::string out, err;
    int rc = run(args, &out, &err);
    if (rc != 0) {
        std::string what = "xcli-sim " + (args.empty() ? std::string() : args.front()) +
                           " failed (exit " + std::to_string(rc) + ")";
        if (!err.empty()) what += ": " + err.substr(0, err.find_last_not_of("\n") + 1);
        // The simulator may quote its arguments back; a password must not
        // travel on in the message.
        for (size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] != "--password" || args[i + 1].empty()) continue;
            for (size_t at; (at = what.find(args[i + 1])) != std::string::npos;)
                what.replace(at, args[i + 1].size(), "***");
        }
        throw std::runtime_error(what);
    }
    return out;
}

std::vector<SimDisk> SimAdmin::parseDiskLines(const std::string& text, bool withDevice) {
    std::vector<SimDisk> out;
    std::istringstream in(text);
    std::string line;
    size_t shift = withDevice ? 1 : 0;
    while (std::getline(in, line)) {
        auto f = splitTabs(line);
        if (f.size() < 8 + shift) continue;  // the host object may be empty
        SimDisk d;
        if (withDevice) d.device = f[0];
        d.lun = std::atoi(f[shift + 0].c_str());
        d.wwn = f[shift + 1];
        d.arraySerial = f[shift + 2];
        d.arrayHexSerial = f[shift + 3];
        d.targetWwpn = f[shift + 4];
        d.volume = f[shift + 5];
        d.sizeBytes = std::atoll(f[shift + 6].c_str());
        d.address = f[shift + 7];
        if (f.size() > 8 + shift) d.hostObject = f[shift + 8];
        out.push_back(d);
    }
    return out;
}

std::vector<SimDisk> SimAdmin::exportDisks(const std::vector<std::string>& ports,
                                           const std::string& catalogDir,
                                           const std::string& prefix) const {
    std::string joined;
    for (const auto& p : ports) joined += (joined.empty() ? "" : ",") + p;
    std::vector<std::string> args = {"export-disks", "--ports", joined, "--catalog", catalogDir};
    if (!prefix.empty()) {
        args.push_back("--prefix");
        args.push_back(prefix);
    }
    return parseDiskLines(runOrThrow(args), true);
}

}  // namespace refhost
