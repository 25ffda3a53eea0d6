// Inventory collection as the backup product runs it: one zrso_getArrayInfo
// call over the host inventory, in one transaction, then the tables.
#pragma once

#include "refhost/OutputTable.h"

namespace refhost {

class HostSession;

struct InventoryOutcome {
    int result = 1;
    bool allCollected = false;  // every registered array was collected
    OutputTable arrays{{"#id", "array", "#status", "#total MiB", "#free MiB"}};
    OutputTable pools{{"array", "pool", "pool id", "#status", "#total MiB", "#used MiB", "#free MiB"}};
    OutputTable volumes{{"array", "pool", "volume", "#status", "#size MiB", "#used MiB", "#luns"}};
    double seconds = 0;
};

InventoryOutcome collectInventory(HostSession& session);

}  // namespace refhost
