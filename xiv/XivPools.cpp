// Storage pools.
#include "xiv/Xiv.h"

void Xiv::GetAllResourcePools(std::list<XivPool*>& pools, int& errorCode,
                              std::string& errorText) {
    errorCode = 0;
    OwnedList listed;
    xcli_.GetPoolList("", listed.items, errorCode, errorText);
    size_t moved = HandOver(listed.items, pools);
    // A failed command already names its own error; only a clean but empty
    // answer gets these words.
    if (errorCode == 0 && moved == 0) {
        errorCode = -1;
        errorText += "Pool lists not found.";
        SetResult("POOL_BAD_COMMAND");
    }
}

void Xiv::GetPoolByName(const std::string& pool, std::string& poolId, int& errorCode,
                        std::string& errorText) {
    errorCode = 0;
    OwnedList listed;
    xcli_.GetPoolByName(pool, listed.items, errorCode, errorText);
    if (errorCode != 0) return;
    XivPool* found = FirstOf<XivPool>(listed.items);
    if (found == nullptr) {
        errorCode = -1;
        errorText += "Pool [" + pool + "] not found.";
        SetResult("POOL_BAD_NAME");
        return;
    }
    poolId = found->id;
}
