// A reference-host world over the simulator for end-to-end runs of the built
// zrso-host: one simulated array, volumes mapped to this machine's host
// object, and a host directory with the array registered and the disks
// rescanned. Everything lives under one directory, so a world can be saved
// and put back whole. Safe to drive from several threads at once.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "SimArray.h"

struct HostRun {
    int status = -1;  // exit status; 128 + signal when killed
    std::string out, err;
};

// A program run without a shell, its output collected; pipes are close-on-exec
// so that runs of other threads never hold them open.
HostRun RunCaptured(const std::vector<std::string>& argv);

class HostWorld {
public:
    static constexpr const char* kAddress = "10.9.8.7";
    static constexpr const char* kSerial = "1310133";
    static constexpr const char* kArray = "xiv1";
    static constexpr const char* kUser = "admin";
    static constexpr const char* kPassword = "Load-Pw-91";
    static constexpr const char* kPool = "p1";
    static constexpr const char* kHostObject = "me";

    // An array with a pool at root/sim (nothing else yet).
    explicit HostWorld(const std::string& root);
    // The usual world: this machine's host object, `mapped` volumes mapped to
    // it and `unmapped` more, the host directory ready.
    static std::unique_ptr<HostWorld> ready(const std::string& root, int mapped, int unmapped = 0);
    // Whether zrso-host, the plug-in and the simulator are built.
    static bool buildHasIt();

    const std::string& root() const { return root_; }
    std::string home() const { return root_ + "/home"; }
    const SimArray& sim() const { return sim_; }
    // This machine's Fibre Channel ports.
    const std::vector<std::string>& ports() const { return ports_; }

    // Volumes v1..vN of 17 GB; with a host object, mapped to it (this
    // machine's ports), so that they are this machine's disks.
    void addVolumes(int count, bool mapped = true);
    void defineHostObject();
    // init --simulated, array add, rescan.
    void initHome();
    // The device of a volume, as the last rescan named it ("" when none).
    std::string deviceOf(const std::string& volume) const;

    HostRun host(std::vector<std::string> words) const;
    // zrso-host in the background, its output in root/<name>.out and .err.
    pid_t startHost(std::vector<std::string> words, const std::string& name) const;
    HostRun collect(pid_t pid, const std::string& name) const;
    // Waits (a bounded while) until a process that is not ours has ended.
    static bool waitGone(pid_t pid);
    // Waits (a bounded while) until no process serves this world's array:
    // the xcli runs a killed zrso-host left behind.
    bool waitQuiet() const;
    // One xcli run with the array's login; its XML answer.
    std::string xcli(const std::vector<std::string>& args) const;
    // A command line printed for people ("xcli -u ... host_delete host=x"),
    // run with the array's password in the environment.
    HostRun runPrinted(const std::string& commandLine) const;

    // What the array holds, a line per object (xcli-sim show less the pending
    // faults and holds).
    std::vector<std::string> arrayState() const;

    // What is wrong with the host's own files after a crash: a log line
    // that is not whole or lacks its fields, a host database that fails its
    // integrity check. Empty when both are sound. justKilled: the last line
    // may be unfinished (the next writer ends it).
    std::string fileProblems(bool justKilled = false) const;
    // A value of the host database ("" when there is no row).
    std::string hostDbValue(const std::string& sql) const;

    // Saves the world beside it, and puts the saved one back.
    void save(const std::string& name) const;
    void restore(const std::string& name) const;

private:
    std::string root_;
    SimArray sim_;
    std::vector<std::string> ports_ = {"2100001B32A0E001", "2100001B32A0E002"};
    int volumes_ = 0;
};
