// Runs one command line as a child process, without a shell.
#pragma once

#include <string>
#include <vector>

#include "Export.h"

class HOSTRT_API ProcessRunner {
public:
    // Status returned when the child outlived the time limit and was killed.
    static constexpr int TIMED_OUT = 124;
    // Status returned when the program could not be started.
    static constexpr int NOT_STARTED = 127;
    // Status returned when the child was stopped on the host's request, or
    // not started because a stop had been requested.
    static constexpr int STOPPED = 125;

    ProcessRunner();
    ~ProcessRunner();

    // Splits commandLine into words (double quotes removed, no expansion of
    // any kind), runs it, waits, and returns its exit status with standard
    // output in *out and standard error in *err. extraEnv: null, or an array of
    // "NAME=value" texts ended by a null pointer, added to the child's
    // environment. wait is always honoured as true.
    int system(const char* commandLine, std::string* out, std::string* err,
               const char* const* extraEnv, bool wait);

    // Host side. A stop request makes the running child's process group
    // get SIGTERM (SIGKILL after a short grace), refuses later runs and
    // ends hostSleep early, until it is cleared. requestStop() is safe to
    // call from a signal handler.
    static void requestStop();
    static bool stopRequested();
    static void clearStop();

    // The word splitting used by system(), exposed for tests and fuzzing.
    static bool splitCommandLine(const std::string& line, std::vector<std::string>* words);
};
