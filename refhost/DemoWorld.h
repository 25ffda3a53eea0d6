// The demo's world in a fresh temporary directory: a simulated array with a
// pool and three volumes mapped to this machine's (simulated) ports, the
// exported disks, and a host directory with the array registered.
#pragma once

#include <string>
#include <vector>

namespace refhost {

class HostSession;

struct DemoWorld {
    std::string root;  // the temporary directory
    std::string simBin;
    std::string simState;
    std::string address = "xiv-demo-1";
    std::string serial = "1310133";
    std::string arrayName = "demo-xiv";
    std::string user = "demo_admin";
    std::string password;  // random per world; never printed, cleared once registered
    std::string pool = "demo_pool";
    std::string hostObject = "demo_client";
    std::vector<std::string> volumes = {"demo_vol_1", "demo_vol_2", "demo_vol_3"};
    std::vector<std::string> ports = {"2100001B32A0D001", "2100001B32A0D002"};
    std::vector<std::string> disks;  // /dev/<name> after the rescan
    int mountRetrySeconds = 5;
    std::string sleepScale = "0.01";

    std::string homeDir() const { return root + "/host"; }
};

// Creates the directory and the simulator state (throws std::runtime_error
// naming what failed). simBin: where xcli and xcli-sim are.
DemoWorld buildSimulatedArray(const std::string& simBin);
// Initialises the host directory of the session (whose home is
// world.homeDir()), exports the disks and registers the array.
void setUpDemoHost(HostSession& session, DemoWorld& world);
// Removes the directory tree.
void removeTree(const std::string& root);

}  // namespace refhost
