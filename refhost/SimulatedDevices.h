// This machine's disks in the simulated world: the runtime's disk catalog,
// refreshed by asking the simulator which volumes our ports see.
#pragma once

#include "refhost/DeviceBackend.h"
#include "refhost/DiskCatalog.h"
#include "refhost/SimAdmin.h"

namespace refhost {

class SimulatedDevices : public DeviceBackend {
public:
    SimulatedDevices(SimAdmin admin, std::string catalogDir, std::string prefix = "xivd")
        : admin_(std::move(admin)), catalog_(std::move(catalogDir)), prefix_(std::move(prefix)) {}

    std::vector<std::string> listDevices(const std::string& vendor) override;
    void rescan(const std::vector<std::string>& remove,
                const std::vector<Initiator>& ports) override;

    // The disks the last rescan exported (device names first).
    const std::vector<SimDisk>& lastExport() const { return last_; }

private:
    SimAdmin admin_;
    DiskCatalog catalog_;
    std::string prefix_;
    std::vector<SimDisk> last_;
};

}  // namespace refhost
