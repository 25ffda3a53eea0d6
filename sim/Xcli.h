// The simulated xcli client: one run answers one command line.
#pragma once
#include <string>
#include <vector>

namespace sim {

// Runs one xcli command line (argv[0] is the program); writes the answer to
// standard output and returns the exit status.
int runXcli(const std::vector<std::string>& argv);

}  // namespace sim
