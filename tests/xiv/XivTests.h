// What the xiv tests share: canned answers from tests/data/xcli, one scripted
// xcli (and xiv_devlist) run as a real child process, and a readable form of
// parsed records.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "TempDir.h"
#include "host/rt/DebugLog.h"
#include "xiv/Xiv.h"

// A file of tests/data/xcli.
std::string Canned(const std::string& name);
// An XCLI answer with a status and an optional body.
std::string Answer(const std::string& status, const std::string& body = "");
// One line per record: its kind, then the fields parsing filled, as name=value.
std::vector<std::string> Dump(const ResourceList& list);
// The kinds of the records that got any field filled, in list order.
std::string FilledKinds(const ResourceList& list);

// Each run records its argument vector and the XIV_XCLIPASSWORD it saw, then
// prints the answer for its run number, else the default one.
class ScriptedXcli {
public:
    // Its directory's name holds a blank, which must not split the program path.
    ScriptedXcli();
    const std::string& dir() const { return temp_.path(); }
    void answer(const std::string& text, int status = 0) {
        put("answer", text);
        put("status", std::to_string(status));
    }
    void answerFor(int run, const std::string& text) { put("answer." + std::to_string(run), text); }
    void stderrText(const std::string& text) { put("stderr", text); }
    int runs() const { return std::atoi(ReadFileText(temp_.file("count")).c_str()); }
    std::vector<std::string> argv(int run) const;  // argv[0] included
    // The XIV_XCLIPASSWORD it saw, "(unset)" when absent.
    std::string password(int run) const {
        return ReadFileText(temp_.file("env." + std::to_string(run)));
    }

private:
    std::string put(const std::string& name, const std::string& text) const {
        return temp_.write(name, text);
    }
    TempDir temp_{"scripted xcli"};
};

// For fixtures over an Xiv object xiv_ with the error's code and text at hand.
#define EXPECT_OK() EXPECT_EQ(code, 0) << text
#define EXPECT_FAILED(status) EXPECT_EQ(std::to_string(code) + " " + xiv_.GetResult(), "-1 " status)
