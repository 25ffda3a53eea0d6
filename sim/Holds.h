// Holding a run: the Nth run that executes (of one operation, or of any) does
// its work on the array and then waits, before it answers, until it is
// released. A test kills the client's caller meanwhile: the array has done
// what was asked and the caller never learns it.
#pragma once
#include <cstdint>
#include <string>

#include "sim/Db.h"

namespace sim {

struct HeldRun {
    std::int64_t pid = 0;
    std::string operation;
    std::string arguments;
};

// nth counts from 1; op empty: any operation.
void armHold(Db& db, const std::string& op, std::int64_t nth);
// Called by every run after its command: waits while this run is the one held.
void holdIfArmed(Db& db, const std::string& operation, const std::string& arguments);
// Waits up to `seconds` for a run to be held; false when none was.
bool waitForHeld(Db& db, double seconds, HeldRun& out);
// Lets a held run answer and disarms the holds not reached yet.
void releaseHolds(Db& db);

}  // namespace sim
