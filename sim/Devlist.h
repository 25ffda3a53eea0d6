// The simulated xiv_devlist: the XIV disks of the simulated disk catalog.
#pragma once
#include <string>
#include <vector>

namespace sim {

int runDevlist(const std::vector<std::string>& args);

}  // namespace sim
