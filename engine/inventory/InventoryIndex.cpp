#include "engine/inventory/InventoryIndex.h"

InventoryIndex::InventoryIndex(const std::vector<XivPool>& pools,
                               const std::vector<XivVol>& volumes) {
    poolNames_.reserve(pools.size());
    for (const XivPool& pool : pools) poolNames_.insert(pool.name);
    volumeNames_.reserve(volumes.size());
    for (const XivVol& volume : volumes) {
        volumeNames_.insert(volume.name);
        byPool_[volume.pool_name].push_back(&volume);
    }
}

const std::vector<const XivVol*>& InventoryIndex::VolumesOf(std::string_view pool) const {
    static const std::vector<const XivVol*> kNone;
    auto found = byPool_.find(pool);
    return found == byPool_.end() ? kNone : found->second;
}
