// A simulated array behind a reference host with the array registered: the
// host loads the built plug-in, the plug-in runs the simulator's xcli.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "refhost/DemoWorld.h"
#include "refhost/HostSession.h"
#include "refhost/LunRequestStore.h"

// True when the plug-in and the simulator are built.
bool ProvisionWorldAvailable();

class ProvisionWorld {
public:
    ProvisionWorld();
    ~ProvisionWorld();

    const refhost::DemoWorld& world() const { return world_; }
    const std::string& password() const { return password_; }  // wiped from world()

    // A request naming the world's array and pool.
    refhost::LunRequestRow Request(const std::string& volume, long long sizeBytes = 0,
                                   const std::string& mapRequest = "") const;
    // One call of an entry point over the requests; rows read back after it.
    struct Call {
        int result = -1;
        std::vector<refhost::LunRequestRow> rows;
    };
    Call Run(const std::string& operation, const std::vector<refhost::LunRequestRow>& requests);

    std::string Admin(const std::vector<std::string>& args);
    std::string Show() { return Admin({"show", "--address", world_.address}); }
    // The argument texts of the xcli runs of one operation so far.
    std::vector<std::string> Runs(const std::string& operation);
    std::string LogText() const;

private:
    refhost::DemoWorld world_;
    std::string password_;
    std::ostringstream out_;
    std::unique_ptr<refhost::HostSession> session_;
};
