// Creating, deleting and resizing volumes for the host's provisioning
// requests: one volume command per LUN, the first failing LUN ends the call.
#include <cstdint>
#include <string>

#include "engine/EntryBodies.h"
#include "engine/EntryFrame.h"
#include "engine/ProvisionSetup.h"

namespace {

// The array allocates volumes in units of this many GiB.
constexpr long kAllocationUnitGiB = 17;

// The size the array really allocated, in bytes, for a request of sizeGiB;
// false when it is a whole number of units (nothing to report) or cannot be
// expressed in bytes.
bool AllocatedBytes(long sizeGiB, int64_t& bytes) {
    if (sizeGiB % kAllocationUnitGiB == 0) return false;
    const int64_t allocatedGiB = (sizeGiB / kAllocationUnitGiB + 1) * kAllocationUnitGiB;
    if (allocatedGiB <= 0 || allocatedGiB > (INT64_MAX >> 30)) return false;
    bytes = allocatedGiB << 30;
    return true;
}

bool CreateOne(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
    int errorCode = 0;
    std::string errorText;
    setup.xiv->CreateVolume(setup.volumeName, setup.poolName, setup.sizeGiB, errorCode,
                            errorText);
    if (errorCode != 0) {
        FailLunOnArray(lun, log, *setup.xiv, errorText);
        return false;
    }
    lun->setVolumeName(setup.volumeName);
    lun->setLunName(setup.volumeName.c_str());
    lun->setLunVolume(setup.volumeName);
    lun->setStatus(0);
    log.Line(0, "Vol Size [%ld]", setup.sizeGiB);
    log.Line(0, "multiplier [%ld]", setup.sizeGiB / kAllocationUnitGiB);
    int64_t allocated = 0;
    if (AllocatedBytes(setup.sizeGiB, allocated)) {
        log.Line(-1, "New Size [%lld]", static_cast<long long>(allocated));
        lun->setVolumeSize(&allocated);
        log.Line(-1, "New Size [%lld]", static_cast<long long>(allocated));
    }
    return true;
}

bool DeleteOne(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
    int errorCode = 0;
    std::string errorText;
    setup.xiv->DeleteVolume(setup.volumeName, errorCode, errorText);
    if (errorCode != 0) {
        FailLunOnArray(lun, log, *setup.xiv, errorText);
        return false;
    }
    lun->setStatus(20);
    return true;
}

// A resized LUN keeps the status it started with: the host reads that as done.
bool ResizeOne(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
    int errorCode = 0;
    std::string errorText;
    setup.xiv->ResizeVolume(setup.volumeName, setup.sizeGiB, errorCode, errorText);
    if (errorCode != 0) {
        FailLunOnArray(lun, log, *setup.xiv, errorText);
        return false;
    }
    return true;
}

}  // namespace

int createLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    LunSetupPlan plan;
    plan.startStatus = 1;
    plan.readPool = true;
    plan.readSize = true;
    plan.logDetails = true;
    return ResultConvention(ForEachLun("zrso_createLUNs", luns, count, osUtil, plan, CreateOne),
                            count);
}

int deleteLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    LunSetupPlan plan;
    plan.startStatus = 21;
    return ResultConvention(ForEachLun("zrso_deleteLUNs", luns, count, osUtil, plan, DeleteOne),
                            count);
}

int resizeLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    LunSetupPlan plan;
    plan.startStatus = 3;
    plan.readSize = true;
    return ResultConvention(ForEachLun("zrso_resizeLUNs", luns, count, osUtil, plan, ResizeOne),
                            count);
}
