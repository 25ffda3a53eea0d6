// Scripted stand-ins for xcli and xiv_devlist in a scratch directory: each run
// records its argument vector (one per line) and the XIV_XCLIPASSWORD it saw,
// then prints a canned answer and exits with a chosen status.
#pragma once

#include <string>
#include <vector>

#include "LogCapture.h"
#include "TempDir.h"

class StandIn {
public:
    // inner: an optional sub-directory to hold the programs (e.g. with a blank).
    explicit StandIn(const std::string& inner = "");
    const std::string& dir() const { return dir_; }

    // What every run prints and exits with; answerFor only for run n (1-based).
    void answer(const std::string& text, int status = 0);
    void answerFor(int run, const std::string& text);
    void stderrText(const std::string& text);

    int runs() const;
    std::vector<std::string> argv(int run) const;  // argv[0] included
    std::string password(int run) const;           // "(unset)" when absent

private:
    std::string put(const std::string& name, const std::string& text) const;

    TempDir temp_;
    std::string inner_;  // "" or "<sub-directory>/"
    std::string dir_;
};

// The captured lines written under one function name.
std::vector<DebugLine> LinesOf(const LogCapture& log, const std::string& function);

// An XCLI answer with a status and an optional body.
std::string Answer(const std::string& status, const std::string& body = "");
