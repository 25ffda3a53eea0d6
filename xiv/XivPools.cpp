// Storage pools.
#include "xiv/Xiv.h"

void Xiv::GetAllResourcePools(std::vector<XivPool>& pools, XivError& error) {
    error.code = 0;
    ResourceList listed;
    xcli_.GetPoolList("", listed, error);
    size_t moved = TakeAll(listed, pools);
    // A failed command already names its own error; only a clean but empty
    // answer gets these words.
    if (error.code == 0 && moved == 0) {
        error.code = -1;
        error.text += "Pool lists not found.";
        SetResult("POOL_BAD_COMMAND");
    }
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
