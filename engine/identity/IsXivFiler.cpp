#include "engine/identity/IsXivFiler.h"

#include <string>

#include "engine/common/AttributeText.h"
#include "engine/identity/StandardInquiry.h"
#include "host/rt/DebugLog.h"

namespace {

const char* const kFunction = "IsXivFiler";

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

    InquiryDisk disk;
    std::string why;
    InquiryDisk::Outcome outcome = disk.Open(name, why);
    if (outcome == InquiryDisk::Outcome::kNoDevice) {
        std::string message = "DeviceTree::getDevice exception caught :" + why;
        log.DebugLvl(kFunction, DebugLog::kError, "%s", message.c_str());
        return 0;
    }
    if (outcome == InquiryDisk::Outcome::kNotScsi) why = "'" + name + "' is not SCSI device";
    if (outcome == InquiryDisk::Outcome::kAnswered)
        outcome = disk.Inquire(kStandardInquiryCdb, why);
    if (outcome != InquiryDisk::Outcome::kAnswered) {
        log.DebugLvl(kFunction, DebugLog::kError,
                     "Fail to send scsi inquiry cdb, caught exception:%s", why.c_str());
        return 0;
    }
    disk.Close();

    if (!ReadStandardIdentity(disk.Data()).IsXiv()) {
        log.DebugLvl(kFunction, DebugLog::kNormal, "%s", "IsXivFiler: Not an IBM XIV disk...");
        return 0;
    }
    log.DebugLvl(kFunction, DebugLog::kNormal, "%s", "IsXivFiler: IT is an IBM XIV disk...");
    return 1;
}
