// Storage pools.
#include "xiv/Xiv.h"

void Xiv::GetAllResourcePools(std::vector<XivPool>& pools, XivError& error) {
    error.code = 0;
    ResourceList listed;
    xcli_.GetPoolList("", listed, error);
    TakeListing(listed, pools, error, "Pool lists not found.", "POOL_BAD_COMMAND");
}

void Xiv::GetPoolByName(const std::string& pool, std::string& poolId, XivError& error) {
    error.code = 0;
    ResourceList listed;
    xcli_.GetPoolByName(pool, listed, error);
    if (error.code != 0) return;
    XivPool* found = FirstOf<XivPool>(listed);
    if (found == nullptr) {
        error.code = -1;
        error.text += "Pool [" + pool + "] not found.";
        SetResult("POOL_BAD_NAME");
        return;
    }
    poolId = found->id;
}
