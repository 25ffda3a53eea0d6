// The array simulator as the build makes it: where its programs are, its
// admin tool xcli-sim over a state directory, and the record of the xcli runs
// it served, so tests count round trips and read the arguments sent.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"

// The directory of the built programs (xcli, xcli-sim, xiv_devlist, zrso-host).
std::string SimBinDir();
std::string BuiltProgram(const std::string& name);
// The built plug-in, loaded by path.
std::string PluginPath();
// True when xcli, xcli-sim and the other named programs are built; tests
// needing them skip otherwise.
bool SimAvailable(const std::vector<std::string>& others = {});
bool PluginAvailable();

// Operation name -> number of runs. A CSV listing counts as "<op> -s".
using RunCounts = std::map<std::string, int>;

// The fields of one recorded run: time, address, operation, arguments,
// password source, then the argument vector.
std::vector<std::string> RunFields(const std::string& run);

class SimArray {
public:
    // A state of its own, which XIV_SIM_STATE names while the object lives,
    // so the built xcli serves from it; the caller's XIV_XCLIPASSWORD is unset
    // meanwhile, so every login is the test's.
    SimArray();
    // The state of an existing world.
    explicit SimArray(std::string stateDir);

    const std::string& state() const { return state_; }

    // Runs xcli-sim by argument vector (no shell: every word arrives whole);
    // throws when it fails, so a broken set-up is never taken for a fault of
    // what is tested.
    std::string Admin(const std::vector<std::string>& args) const;

    // The xcli runs served for address (empty: any) since the last clear,
    // oldest first, a line each.
    std::vector<std::string> Runs(const std::string& address = "") const;
    void ClearRuns(const std::string& address) const;
    RunCounts CountRuns(const std::string& address) const;
    // CountRuns, then ClearRuns.
    RunCounts TakeRuns(const std::string& address) const;
    // The argument text of each run of operation.
    std::vector<std::string> RunArguments(const std::string& address,
                                          const std::string& operation) const;

private:
    std::unique_ptr<TempDir> own_;
    std::string state_;
    std::unique_ptr<ScopedEnv> stateEnv_, password_;
};

// What a world of the reference host changes in the environment: TMPDIR
// names a private directory the world is built in, and the variables the
// host sets for the runtime and the simulator are put back when it goes.
class HostWorldEnv {
public:
    explicit HostWorldEnv(const std::string& prefix);
    const TempDir& tmp() const { return tmp_; }

private:
    TempDir tmp_;
    ScopedEnv tmpdir_, config_, key_, log_, disks_, state_, scale_;
};
