// One child process run to its end, with its output captured.
#pragma once

#include <string>
#include <vector>

namespace hostrt {

// Runs argv (argv[0] searched in PATH when it holds no slash) in its own
// process group, stdin from /dev/null, no descriptors of ours inherited,
// signal dispositions and mask reset. Standard output and standard error are
// read concurrently into *out and *err (either may be null: discarded).
// extraEnv ("NAME=value" texts ended by a null pointer) overrides the
// inherited environment. Returns the exit status, 128 + signal number when a
// signal ended the child, 127 with a message in *err when it could not be
// started, 124 when it outlived timeoutSeconds: then its whole process group
// is killed with SIGKILL. Once the host has asked to stop (StopRequest.h)
// the running child's group gets SIGTERM, then SIGKILL after a grace, and
// no child starts: 125 with a note in *err.
int runChild(const std::vector<std::string>& argv, const char* const* extraEnv, int timeoutSeconds,
             std::string* out, std::string* err);

}  // namespace hostrt
