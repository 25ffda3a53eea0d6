// Faults an array can be told to show: failures, hangs, crashes, bad output.
#pragma once
#include <cstdint>
#include <string>

#include "sim/Db.h"

namespace sim {

struct Fault {
    std::string kind;  // fail, hang, exit, garbage, truncate, banner, lun-in-use
    std::int64_t remaining = 1;
    std::string status;      // fail
    double seconds = 0;      // hang
    int code = 1;            // exit
    std::int64_t bytes = 0;  // truncate
    std::string op;          // only this operation when not empty
};

bool validFaultKind(const std::string& kind);
void addFault(Db& db, const Fault& fault);
void clearFaults(Db& db);

// Takes one pending fault (other than lun-in-use) that matches `operation`,
// in the order they were set; false when none is pending.
bool takeFault(Db& db, const std::string& operation, Fault& out);
// Takes one pending lun-in-use fault; runs inside the caller's transaction.
bool takeLunFault(Db& db);

// Output shaped by a banner or truncate fault.
std::string shapeOutput(const Fault& fault, const std::string& output);
std::string garbageOutput();

}  // namespace sim
