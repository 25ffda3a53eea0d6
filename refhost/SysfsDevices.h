// Real Linux disks: vendor from /sys/block/<dev>/device/vendor, rescan by
// writing "- - -" to every SCSI host's scan file, removal (of the devices
// handed and of disks with nothing behind them any more) through the
// device's delete file. The root is a parameter so tests can use a tree of
// their own.
#pragma once

#include "refhost/DeviceBackend.h"

namespace refhost {

class SysfsDevices : public DeviceBackend {
public:
    explicit SysfsDevices(std::string sysRoot = "/sys") : root_(std::move(sysRoot)) {}

    std::vector<std::string> listDevices(const std::string& vendor) override;
    void rescan(const std::vector<std::string>& remove,
                const std::vector<Initiator>& ports) override;
    // The SCSI hosts a rescan scans, each as "hostN (driver)".
    std::vector<std::string> scsiHosts();

    // This machine's FC ports (fc_host port names) and iSCSI initiator name.
    std::vector<Initiator> discoverInitiators(
        const std::string& iscsiNameFile = "/etc/iscsi/initiatorname.iscsi");

private:
    std::string root_;
};

}  // namespace refhost
