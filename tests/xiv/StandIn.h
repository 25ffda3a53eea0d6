// Scratch world for the command layer tests: a directory holding scripted
// stand-ins for xcli and xiv_devlist that record every run (argument vector
// one per line, the XIV_XCLIPASSWORD they saw) and print a canned answer, a
// debug log file, and a settings file of our own.
#pragma once

#include <string>
#include <vector>

#include "host/ZRSO.h"

class StandIn {
public:
    // inner: an optional sub-directory name (e.g. one holding a blank).
    explicit StandIn(const std::string& inner = "");
    ~StandIn();

    const std::string& dir() const { return dir_; }

    // What every following run prints and exits with; answer(n, ...) only for
    // the n-th run (1-based).
    void answer(const std::string& text, int status = 0);
    void answerFor(int run, const std::string& text);
    void stderrText(const std::string& text);
    // A shell snippet run before the answer is printed (e.g. "sleep 1").
    void before(const std::string& snippet);

    int runs() const;
    std::vector<std::string> argv(int run) const;  // argv[0] included
    std::string password(int run) const;           // "(unset)" when absent

    static std::string read(const std::string& path);
    static void write(const std::string& path, const std::string& text);

private:
    std::string dir_;
};

// The lines the debug log received while this object lived.
class LogTail {
public:
    LogTail();
    std::string text() const;
    // Lines whose function field equals function.
    std::vector<std::string> linesOf(const std::string& function) const;

private:
    long start_;
};

// An XCLI answer with status and optional body.
std::string Answer(const std::string& status, const std::string& body = "");

// Host records that answer the few calls the layer makes.
class FakeSnapInfo : public ZRSO::SnapInfo {
public:
    int jobProperty = 0;  // answer of getIntProperty
    int job = 4242;
    int getSnapshotId(char*, short*) override { return 1; }
    int setSnapshotName(const char*) override { return 0; }
    int getArrayLogin(char*, short*) override { return 1; }
    int selectArrayLogin(const char*) override { return 1; }
    int getHostIdentifier(char*, short*) override { return 1; }
    bool hasOption(int) override { return false; }
    unsigned int getFlags() override { return 0; }
    int getStatus() override { return 0; }
    int setStatus(int) override { return 0; }
    int getSourceDevice(char*, short*) override { return 1; }
    int getSnapDevice(char*, short*) override { return 1; }
    int setSnapDevice(const char*) override { return 0; }
    int getProperty(int, char*, short*) override { return 1; }
    int setProperty(int, const char*) override { return 0; }
    int setError(int, const char*) override { return 0; }
    void log(int, const char*, const char*, ...) override {}
    int getCloneNumber() override { return 0; }
    int getConfigInt(const char*, int*) override { return 1; }
    int getConfigString(const char*, char*, short*) override { return 1; }
    int getIntProperty(int id, int* out) override
    {
        if (id == ZRSO::INTPROP_JOB_ID && jobProperty == 0) *out = job;
        return jobProperty;
    }
    int getHostPath(int, char*, short*) override { return 1; }
    int getDuplicateNumber() override { return 0; }
    int getSnapshotIdText(std::string&) override { return 1; }
};

class FakeLunInfo : public ZRSO::LUNInfo {
public:
    int64_t job = 77;
    int getVolumeName(char*, short*) override { return 1; }
    int getArrayName(char*, short*) override { return 1; }
    int getArrayControlHost(char*, short*) override { return 1; }
    int getArrayUser(char*, short*) override { return 1; }
    int getArrayPassword(char*, short*) override { return 1; }
    int setLunName(const char*) override { return 0; }
    int getPoolName(char*, short*) override { return 1; }
    int getVolumeSize(int64_t*) override { return 1; }
    int setVolumeSize(int64_t*) override { return 0; }
    int getUsedSize(int64_t*) override { return 1; }
    int setStatus(int) override { return 0; }
    int setError(int, const char*) override { return 0; }
    int64_t getJobId() override { return job; }
    int setVolumeName(const std::string&) override { return 0; }
    int setLunVolume(const std::string&) override { return 0; }
    int setInitiatorGroups(std::vector<ZRSO::IGroupInfo>&, int*) override { return 0; }
    int getMapRequest(char*, short*) override { return 1; }
};
