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

    ProcessRunner();
    ~ProcessRunner();

    // Splits commandLine into words (double quotes removed, no expansion of
    // any kind), runs it, waits, and returns its exit status with standard
    // output in *out and standard error in *err. extraEnv: null, or an array of
    // "NAME=value" texts ended by a null pointer, added to the child's
    // environment. wait is always honoured as true.
    int system(const char* commandLine, std::string* out, std::string* err,
               const char* const* extraEnv, bool wait);

    // The word splitting used by system(), exposed for tests and fuzzing.
    static bool splitCommandLine(const std::string& line, std::vector<std::string>* words);
};
