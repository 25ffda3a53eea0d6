// Inventory collection as the backup product runs it: one zrso_getArrayInfo
// call over the host inventory, in one transaction, then the tables.
#pragma once

#include <string>
#include <vector>

#include "refhost/OutputTable.h"

namespace refhost {

class HostSession;

struct InventoryOutcome {
    int result = 1;
    bool allCollected = false;  // every registered array was collected
    bool interrupted = false;   // a signal stopped it: nothing was stored
    OutputTable arrays{{"#id", "array", "state", "#total MiB", "#free MiB", "~#status"}};
    OutputTable pools{
        {"array", "pool", "pool id", "state", "#total MiB", "#used MiB", "#free MiB", "~#status"}};
    OutputTable volumes{
        {"array", "pool", "volume", "state", "#size MiB", "#used MiB", "#luns", "~#status"}};
    // One line per array that was not collected, with the reason.
    std::vector<std::string> problems;
    double seconds = 0;
};

// One collection at a time per host directory (another is refused as busy).
InventoryOutcome collectInventory(HostSession& session);

}  // namespace refhost
