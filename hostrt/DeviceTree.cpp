#include "host/rt/DeviceTree.h"

#include <cerrno>

#include "host/rt/SimDiskCatalog.h"
#include "hostrt/SgIoDevice.h"
#include "hostrt/SimulatedDisk.h"

namespace {

std::string baseName(const std::string& device) {
    std::size_t slash = device.find_last_of('/');
    return slash == std::string::npos ? device : device.substr(slash + 1);
}

}  // namespace

SharedRef<HostDevice> DeviceTree::getDevice(const char* deviceName, HostError* err) {
    if (!deviceName || !*deviceName) {
        if (err) *err = HostError(ENOENT, "no device name");
        return SharedRef<HostDevice>();
    }
    std::string device(deviceName);

    std::string catalogDir = SimDiskCatalog::environmentDirectory();
    std::string name = baseName(device);
    // Only plain base names are looked up, so no device string, however
    // odd, reaches outside the catalog directory.
    if (!catalogDir.empty() && SimDiskCatalog::validName(name)) {
        SimDiskCatalog catalog(catalogDir);
        SimDiskCatalog::Fields fields;
        if (catalog.read(name, &fields, nullptr))
            return SharedRef<HostDevice>(new hostrt::SimulatedDisk(device, std::move(fields)));
    }

    hostrt::SgIoDevice* node = hostrt::SgIoDevice::open(device, err);
    return SharedRef<HostDevice>(node);
}
