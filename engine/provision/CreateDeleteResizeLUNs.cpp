// Creating, deleting and resizing volumes for the host's provisioning
// requests: one volume command per LUN, the first failing LUN ends the call.
#include <cstdint>
#include <string>

#include "engine/common/FunctionTags.h"
#include "engine/common/RecordArray.h"
#include "engine/provision/ProvisionBodies.h"
#include "engine/provision/ProvisionSetup.h"

namespace {

// The log's multiplier line divides the size in GiB by this.
constexpr long kAllocationUnitGiB = 17;

// The array makes volumes in whole allocation units, at least as large as
// asked: read back what it made and tell the host when that is not what it
// asked for. A volume that cannot be read back keeps the host's figure,
// which it holds at the least.
void ReportRealSize(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
    XivError error;
    int64_t real = 0;
    setup.xiv->VolumeSize(setup.volumeName, real, error);
    if (error.code != 0 || real <= 0) {
        log.Line(DebugLog::kError, "Unable to read the size of volume [%s] back from the array. %s",
                 setup.volumeName.c_str(), error.text.c_str());
        return;
    }
    if (real == setup.sizeBytes) return;
    log.Line(DebugLog::kError, "New Size [%lld]", static_cast<long long>(real));
    lun->setVolumeSize(&real);
    log.Line(DebugLog::kError, "New Size [%lld]", static_cast<long long>(real));
}

bool CreateOne(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
    XivError error;
    setup.xiv->CreateVolume(setup.volumeName, setup.poolName, setup.sizeBytes, error);
    if (error.code != 0) {
        FailLunOnArray(lun, log, *setup.xiv, error.text);
        return false;
    }
    lun->setVolumeName(setup.volumeName);
    lun->setLunName(setup.volumeName.c_str());
    lun->setLunVolume(setup.volumeName);
    lun->setStatus(ZRSO::LUN_CREATED);
    log.Line(DebugLog::kNormal, "Vol Size [%ld]", setup.sizeGiB);
    log.Line(DebugLog::kNormal, "multiplier [%ld]", setup.sizeGiB / kAllocationUnitGiB);
    ReportRealSize(lun, setup, log);
    return true;
}

bool DeleteOne(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
    XivError error;
    setup.xiv->DeleteVolume(setup.volumeName, error);
    if (error.code != 0) {
        FailLunOnArray(lun, log, *setup.xiv, error.text);
        return false;
    }
    lun->setStatus(ZRSO::LUN_DELETED);
    return true;
}

// A resized LUN keeps the status it started with: the host reads that as done.
bool ResizeOne(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
    XivError error;
    setup.xiv->ResizeVolume(setup.volumeName, setup.sizeBytes, error);
    if (error.code != 0) {
        FailLunOnArray(lun, log, *setup.xiv, error.text);
        return false;
    }
    ReportRealSize(lun, setup, log);
    return true;
}

}  // namespace

int createLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    LunSetupPlan plan;
    plan.startStatus = ZRSO::LUN_CREATE_FAILED;
    plan.readPool = true;
    plan.readSize = true;
    plan.logDetails = true;
    return ResultConvention(ForEachLun(tag::kCreateLUNs, luns, count, osUtil, plan, CreateOne),
                            count);
}

int deleteLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    LunSetupPlan plan;
    plan.startStatus = ZRSO::LUN_DELETE_FAILED;
    return ResultConvention(ForEachLun(tag::kDeleteLUNs, luns, count, osUtil, plan, DeleteOne),
                            count);
}

int resizeLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    LunSetupPlan plan;
    plan.startStatus = ZRSO::LUN_RESIZED;
    plan.readSize = true;
    return ResultConvention(ForEachLun(tag::kResizeLUNs, luns, count, osUtil, plan, ResizeOne),
                            count);
}
