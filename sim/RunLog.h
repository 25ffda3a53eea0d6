// Every xcli run the simulator served, kept for tests in the state directory.
#pragma once
#include <string>
#include <vector>

#include "sim/CliRequest.h"

namespace sim {

// Records one run; silently skipped without a state directory.
void recordRun(const std::vector<std::string>& argv, const CliRequest& request);
// One line per run, oldest first: time, address, operation, arguments,
// password source (option, env or none), then every argv element; fields
// separated by tabs, with backslash, tab and line breaks escaped.
std::vector<std::string> listRuns(const std::string& address);
void clearRuns(const std::string& address);

}  // namespace sim
