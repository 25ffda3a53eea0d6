#include "engine/InventoryIndex.h"

InventoryIndex::InventoryIndex(const std::list<XivPool*>& pools,
                               const std::list<XivVol*>& volumes) {
    poolNames_.reserve(pools.size());
    for (const XivPool* pool : pools)
        if (pool != nullptr) poolNames_.insert(pool->name);
    volumeNames_.reserve(volumes.size());
    for (XivVol* volume : volumes) {
        if (volume == nullptr) continue;
        volumeNames_.insert(volume->name);
        byPool_[volume->pool_name].push_back(volume);
    }
}

const std::vector<XivVol*>& InventoryIndex::VolumesOf(std::string_view pool) const {
    static const std::vector<XivVol*> kNone;
    auto found = byPool_.find(pool);
    return found == byPool_.end() ? kNone : found->second;
}
