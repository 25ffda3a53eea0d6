// Name indexes over one array's pool and volume listings. The collection
// visits every pool's volumes and checks every stored record against the
// listings; with these each of those is one lookup instead of a scan, which
// keeps an array of tens of thousands of volumes linear.
//
// The index points into the listed records: they must outlive it.
#pragma once

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "xiv/Resources.h"

class InventoryIndex {
public:
    InventoryIndex(const std::vector<XivPool>& pools, const std::vector<XivVol>& volumes);

    InventoryIndex(const InventoryIndex&) = delete;
    InventoryIndex& operator=(const InventoryIndex&) = delete;

    // The listed volumes whose pool_name is exactly pool, in listing order.
    const std::vector<const XivVol*>& VolumesOf(std::string_view pool) const;
    bool HasPool(std::string_view name) const { return poolNames_.count(name) != 0; }
    bool HasVolume(std::string_view name) const { return volumeNames_.count(name) != 0; }

private:
    std::unordered_map<std::string_view, std::vector<const XivVol*>> byPool_;
    std::unordered_set<std::string_view> poolNames_;
    std::unordered_set<std::string_view> volumeNames_;
};
