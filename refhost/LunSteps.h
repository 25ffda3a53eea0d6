// Driving the provisioning entry points: one LUN request per call, its
// outcome read back from the host database.
#pragma once

#include <string>
#include <vector>

#include "refhost/FailureReason.h"
#include "refhost/LunRequestStore.h"

namespace refhost {

class HostSession;

struct LunOutcome {
    std::string operation;
    int result = 1;
    bool expected = false;
    bool interrupted = false;
    Reason reason;  // why it did not end as expected
    LunRequestRow request;
    double seconds = 0;
};

// operation: create, delete, resize, map, unmap, resolve.
bool isLunOperation(const std::string& operation);
LunOutcome runLunRequest(HostSession& session, const std::string& operation,
                         const LunRequestRow& request);

// The map request document of one host and its ports, and what it holds.
std::string mapRequestJson(const std::string& host, const std::string& os, int protocol,
                           const std::vector<std::string>& ports);
struct MapTarget {
    std::string host, os;
    int protocol = 3;
    std::vector<std::string> ports;
};
MapTarget parseMapRequest(const std::string& json);
// The command that undoes or checks what an unfinished LUN operation did.
std::string lunCleanupCommand(const LunRequestRow& request);

bool lunExpected(const std::string& operation, const LunRequestRow& request);
// What the LUN's status means after the operation, for people.
std::string lunStateName(const std::string& operation, int status);

}  // namespace refhost
