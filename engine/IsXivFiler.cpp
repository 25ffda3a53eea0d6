#include "engine/IsXivFiler.h"

#include <cstring>
#include <string>

#include "host/rt/DebugLog.h"
#include "host/rt/DeviceTree.h"
#include "host/rt/HostError.h"
#include "host/rt/HostException.h"
#include "xiv/TextHelpers.h"

namespace {

const char* const kFunction = "IsXivFiler";
const char* const kSourceFile = "ZRSnapEngineXiv";
constexpr unsigned int kInquiryBufferSize = 4096;

// VMware disks carry their identity in the attribute string; with vendor
// IBM it alone decides. 1 or 0 when decided, -1 to go on to the inquiry.
int DecideByAttributes(const std::string& device, DebugLog& log) {
    std::string idaType;
    if (!GetJsonVal(device, "idatype", idaType) || idaType != "vmware") return -1;
    std::string vendor;
    if (!GetJsonVal(device, "vendor", vendor) || vendor != "IBM") return -1;
    // "584956" is X, I, V written as hex digits, as LUN identifiers carry it.
    if (device.find("584956") != std::string::npos || device.find("XIV") != std::string::npos) {
        log.DebugLvl(kFunction, DebugLog::kError, "[%s] is an IBM XIV disk.", device.c_str());
        return 1;
    }
    log.DebugLvl(kFunction, DebugLog::kError, "[%s] is not an IBM XIV disk.", device.c_str());
    return 0;
}

}  // namespace

int IsXivFiler(const char* device, ZRSO::ZROSUtil*) {
    DebugLog log(nullptr);
    if (device == nullptr || *device == '\0') {
        log.DebugLvl(kFunction, DebugLog::kError, "%s", "Device name is empty");
        return 0;
    }
    const std::string name(device);
    int decided = DecideByAttributes(name, log);
    if (decided >= 0) return decided;

    const unsigned char cdb[6] = {0x12, 0x00, 0x00, 0x00, 0xFF, 0x00};
    unsigned char data[kInquiryBufferSize];
    std::memset(data, 0, sizeof data);
    HostError err = HostError::Success();

    SharedRef<HostDevice> handle;
    try {
        handle = DeviceTree::getDevice(device, &err);
        if (handle.empty()) {
            throw HostException(kFunction, err.AsString(), kSourceFile, __LINE__, -1);
        }
    } catch (const HostException& e) {
        std::string message = "DeviceTree::getDevice exception caught :" + e.getMessage();
        log.DebugLvl(kFunction, DebugLog::kError, "%s", message.c_str());
        handle.reset();
        return 0;
    }

    try {
        ScsiInterface* scsi =
            static_cast<ScsiInterface*>(handle->getInterface(ScsiInterface::INTERFACE_NAME));
        if (scsi == nullptr) {
            throw HostException(kFunction, "'" + name + "' is not SCSI device", kSourceFile,
                                __LINE__, -1);
        }
        HostError sendErr = HostError::Success();
        int sent = scsi->sendCommand(cdb, 6, data, kInquiryBufferSize, 0, 1, nullptr, 0, 10,
                                     &sendErr);
        if (sent == -1) {
            throw HostException(kFunction, sendErr.AsString(), kSourceFile, __LINE__, -1);
        }
    } catch (const HostException& e) {
        log.DebugLvl(kFunction, DebugLog::kError, "Fail to send scsi inquiry cdb, caught exception:%s",
                     e.getMessage().c_str());
        handle.reset();
        return 0;
    }
    handle.reset();

    // Only the first three vendor bytes and at most 15 product bytes count.
    data[31] = 0;
    data[11] = 0;
    const std::string vendor(reinterpret_cast<const char*>(data + 8));
    const std::string product(reinterpret_cast<const char*>(data + 16));
    if (vendor != "IBM" || product.find("XIV") == std::string::npos) {
        log.DebugLvl(kFunction, DebugLog::kNormal, "%s", "IsXivFiler: Not an IBM XIV disk...");
        return 0;
    }
    log.DebugLvl(kFunction, DebugLog::kNormal, "%s", "IsXivFiler: IT is an IBM XIV disk...");
    return 1;
}
