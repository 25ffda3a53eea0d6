// The simulator's programs over one array of a HostWorld, driven as the
// plug-in drives them: a command line per run, its answer's status checked.
#pragma once
#include <gtest/gtest.h>

#include <map>

#include "HostWorld.h"

namespace simtest {

using Resource = std::map<std::string, std::string>;
// The admin tool's option naming the world's array.
const std::string kAt = std::string(" --address ") + HostWorld::kAddress + " ";

// Words of a line split at blanks (none of our values holds one).
std::vector<std::string> words(const std::string& line);
std::string statusOf(const std::string& xml);
// Every <element> of the answer with its fields (values as written).
std::vector<Resource> resourcesOf(const std::string& xml, const std::string& element);

// The world's array with a pool "p" of 1003 GB and a 170 GB snapshot
// reserve; ZRSO_SIM_DISKS names a catalog of the test's own.
class SimTest : public ::testing::Test {
protected:
    SimTest();
    std::string admin(const std::string& line) const { return world_->sim().Admin(words(line)); }
    // xcli with the array's login and -y -x, then the words of line.
    ProgramRun xcli(const std::string& line, const std::vector<std::string>& login = {}) const;
    std::string status(const std::string& line) const { return statusOf(xcli(line).out); }
    // Runs a rule script of tests/data/sim, a step a line: "xcli words =>
    // STATUS field=value -field exit=N" expects the status ("none": no XML
    // answer), each field=value in the answer, no -field and the exit status;
    // words starting with an option are xcli's whole command line, login
    // included. "! admin words" runs the admin tool on the array, "!!" expects
    // it to refuse; "#" starts a comment.
    void runScript(const std::string& name) const;
    std::vector<Resource> list(const std::string& line, const std::string& element) const {
        return resourcesOf(xcli(line).out, element);
    }
    Resource volume(const std::string& name) const;

    TempDir dir_{"sim-tests"};
    std::unique_ptr<HostWorld> world_;
    ScopedEnv state_, disks_{"ZRSO_SIM_DISKS", dir_.file("disks")};
};

}  // namespace simtest
