#include "refhost/SimulatedDevices.h"

#include <sys/stat.h>

namespace refhost {

std::vector<std::string> SimulatedDevices::listDevices(const std::string& vendor) {
    std::vector<std::string> out;
    for (const auto& disk : catalog_.disks())
        if (vendorMatches(disk.field("vendor"), vendor)) out.push_back("/dev/" + disk.name);
    return out;
}

void SimulatedDevices::rescan(const std::vector<std::string>& remove,
                              const std::vector<Initiator>& ports) {
    ::mkdir(catalog_.dir().c_str(), 0755);
    // As on a real host, a removed device that is still mapped comes back
    // under a new name with the rescan.
    for (const auto& device : remove) catalog_.remove(deviceBaseName(device));
    std::vector<std::string> names;
    for (const auto& p : ports) names.push_back(p.name);
    if (names.empty()) {
        // No port, nothing seen.
        for (const auto& disk : catalog_.disks()) catalog_.remove(disk.name);
        last_.clear();
        return;
    }
    last_ = admin_.exportDisks(names, catalog_.dir(), prefix_);
}

}  // namespace refhost
