// Where this machine's disks come from: the real kernel (sysfs) or the
// simulated disk catalog. The host service object lists and rescans through
// one of these.
#pragma once

#include <string>
#include <vector>

#include "refhost/HostTopology.h"

namespace refhost {

class DeviceBackend {
public:
    virtual ~DeviceBackend() {}
    // Device paths (/dev/<name>) of the disks whose vendor is vendor (blank
    // padding ignored; an empty vendor lists every disk).
    virtual std::vector<std::string> listDevices(const std::string& vendor) = 0;
    // Removes the devices handed (paths or base names), then finds new ones
    // seen through ports. Throws std::runtime_error when the rescan failed.
    virtual void rescan(const std::vector<std::string>& remove,
                        const std::vector<Initiator>& ports) = 0;
};

// Vendor field as the inquiry data has it, compared without the padding.
bool vendorMatches(const std::string& field, const std::string& vendor);

}  // namespace refhost
