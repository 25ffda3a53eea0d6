// Runs a program by argument vector (no shell), collecting what it prints.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ProgramRun {
    int status = -1;  // exit status; 128 + signal when killed, 127 when it could not start
    std::string out, err;
};
using HostRun = ProgramRun;

// The program is looked up on PATH unless named by path. Both pipes are
// close-on-exec, so runs of other threads never hold them open, and are
// drained together, so a child filling one never stalls.
ProgramRun RunProgram(const std::vector<std::string>& argv);
// Waits for a child to end; its status as ProgramRun gives it.
int WaitExit(pid_t pid);
