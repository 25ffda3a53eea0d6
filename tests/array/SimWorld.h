// A private simulated world for array tests: a temporary state directory for
// the array simulator, the environment that points the built xcli at it, the
// admin tool to shape arrays, and the record of xcli runs to count round trips.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "TempDir.h"

// The directory holding the built xcli and xcli-sim; true when both exist.
std::string SimBinDir();
bool SimAvailable();

// Operation name -> number of runs. A CSV listing counts as "<op> -s".
using RunCounts = std::map<std::string, int>;

class SimWorld {
public:
    SimWorld();

    // Runs xcli-sim; throws when it fails, so a broken set-up is never taken
    // for a fault of the array object.
    std::string Admin(const std::vector<std::string>& args);
    // The xcli runs served for the address since the last call; clears them.
    RunCounts TakeRuns(const std::string& address);
    // The argument text of each run of op since the last TakeRuns.
    std::vector<std::string> RunArguments(const std::string& address, const std::string& op);

    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    ScopedEnv state_, log_, config_, password_;
};
