// What the xiv tests share: canned answers from tests/data/xcli, one scripted
// xcli (and xiv_devlist) run as a real child process, a readable form of
// parsed records, and a fixture over the built array simulator.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "SimArray.h"
#include "TempDir.h"
#include "host/rt/DebugLog.h"
#include "xiv/Xiv.h"

// A file of tests/data/xcli.
std::string Canned(const std::string& name);
// The lines of a file of tests/data, '#' lines left out.
std::vector<std::string> DataLines(const std::string& name);
// An XCLI answer with a status and an optional body.
std::string Answer(const std::string& status, const std::string& body = "");
// One line per record: its kind, then the fields parsing filled, as name=value.
std::vector<std::string> Dump(const ResourceList& list);
// The kinds of the records that got any field filled, in list order.
std::string FilledKinds(const ResourceList& list);

// Each run records its argument vector and the XIV_XCLIPASSWORD it saw, then
// prints the answer for its run number, else the one for its operation (the
// word after -x, or after -s for csv), else the default one.
class ScriptedXcli {
public:
    // inner: an optional sub-directory to hold the programs (e.g. with a blank).
    explicit ScriptedXcli(const std::string& inner = "");
    const std::string& dir() const { return dir_; }
    void answer(const std::string& text, int status = 0) {
        put("answer", text);
        put("status", std::to_string(status));
    }
    void answerFor(int run, const std::string& text) { put("answer." + std::to_string(run), text); }
    void answerOp(const std::string& op, const std::string& text, bool csv = false) {
        put(op + (csv ? ".csv" : ".xml"), text);
    }
    void stderrText(const std::string& text) { put("stderr", text); }
    int runs() const { return std::atoi(ReadFileText(dir_ + "/count").c_str()); }
    std::vector<std::string> argv(int run) const;  // argv[0] included
    // The XIV_XCLIPASSWORD it saw, "(unset)" when absent.
    std::string password(int run) const {
        return ReadFileText(dir_ + "/env." + std::to_string(run));
    }
    // The operations run since the last call; a csv run is "<op> -s".
    std::vector<std::string> TakeOps();

private:
    std::string put(const std::string& name, const std::string& text) const {
        return temp_.write(inner_ + name, text);
    }
    TempDir temp_;
    std::string inner_, dir_;
    int taken_ = 0;
};

// One simulated array with a pool, and an Xiv object logged in to it.
class SimArrayTest : public ::testing::Test {
protected:
    static constexpr const char* kAddress = "xiv-lab-7";
    static constexpr const char* kPool = "pool_a";

    void SetUp() override;
    std::string Sim(std::vector<std::string> args);
    void Volume(const std::string& name) {
        Sim({"vol-create", "--pool", kPool, "--vol", name, "--size-gb", "17"});
    }
    void HostWith(const std::string& name, const std::string& fc) {
        Sim({"host-create", "--host", name, "--fc", fc});
    }
    void Fail(const std::string& op, const std::string& count = "1") {
        Sim({"fault", "--kind", "fail", "--status", "NO_CONNECTION", "--op", op, "--count", count});
    }
    // The xcli runs since the last call, by operation; clears them.
    RunCounts Runs() { return array_->TakeRuns(kAddress); }
    std::vector<std::string> ArgsOf(const std::string& op) {
        return array_->RunArguments(kAddress, op);
    }
    // The volume's WWN as the array reports it; its run is not counted.
    std::string WwnOf(const std::string& volume);

    std::unique_ptr<SimArray> array_;
    std::unique_ptr<Xiv> xiv_;
    XivError error;
    int& code = error.code;
    std::string& text = error.text;
};

#define EXPECT_OK() EXPECT_EQ(code, 0) << text
