// Drives the simulator's programs as child processes in a private state
// directory, and reads their answers with a few plain text helpers.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/SimArray.h"

namespace simtest {

struct RunResult {
    int code = -1;
    std::string out, err;
};

// Runs `program` from the build's bin directory and waits for it.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args);

struct Started {
    int pid = -1;
    int outFd = -1;
};
Started startProgram(const std::string& program, const std::vector<std::string>& args);
RunResult finish(Started started);

using Resource = std::map<std::string, std::string>;

std::string statusOf(const std::string& xml);
// Every <element> of the answer with its fields (values un-escaped).
std::vector<Resource> resourcesOf(const std::string& xml, const std::string& element);

// A fresh state directory with one array at "xiv-a" (serial 1310133, user
// admin/secret) and a pool "p1" of 1003 GB with a 170 GB snapshot reserve;
// ZRSO_SIM_DISKS names a catalog in a private directory.
class SimWorld : public ::testing::Test {
protected:
    void SetUp() override;

    RunResult admin(std::vector<std::string> args);
    // xcli -u admin -p secret -m xiv-a -y -x <args>
    RunResult xcli(const std::vector<std::string>& args);
    std::vector<std::string> xcliArgs(const std::vector<std::string>& args) const;
    std::string status(const std::vector<std::string>& args) { return statusOf(xcli(args).out); }
    Resource volume(const std::string& name);
    Resource pool(const std::string& name);

    SimArray sim_;
    TempDir dir_{"sim_tests"};
    ScopedEnv disks_{"ZRSO_SIM_DISKS", dir_.file("disks")};
};

}  // namespace simtest
