// zrso_revertSnaps: restores each device's source volume from its snapshot.
// A failing device does not stop the others.
#include <string>

#include "engine/common/ArrayAccess.h"
#include "engine/common/Codes.h"
#include "engine/common/FunctionTags.h"
#include "engine/common/RecordArray.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Settings.h"
#include "engine/snapshot/SnapMetadata.h"
#include "engine/snapshot/SnapshotBodies.h"
#include "xiv/Xiv.h"

namespace {

bool RevertDevice(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil) {
    info->setStatus(ZRSO::SNAP_REVERT_FAILED);
    XIVFilerSnapInfo record;
    if (!GetVolumeAndFilerInfoFromSnap(info, osUtil, record)) {
        const std::string message =
            std::string(tag::kRevertSnaps) +
            " Unable to get the filer and volume information from the snap information";
        RecordLog(info, ZRSO::LOG_ERROR, tag::kRevertSnaps, message);
        info->setError(kNoMetadataCode, message.c_str());
        info->setStatus(ZRSO::SNAP_REVERT_FAILED);
        return false;
    }
    Xiv xiv = OpenArray(record, info);
    XivError error;
    xiv.RevertToSnapshot(record.sSnapName, error);
    if (error.code != 0) {
        const std::string message = "Unable to revert volume with id[" + record.sVolumeId +
                                    "] from snap:[" + record.sSnapName + "] on file server:[" +
                                    record.sHostName + "]." + ArrayErrorDescription(xiv);
        RecordLog(info, ZRSO::LOG_ERROR, tag::kRevertSnaps, error.text);
        info->setError(ArrayErrorCode(xiv), message.c_str());
        info->setStatus(ZRSO::SNAP_REVERT_FAILED);
        return false;
    }
    info->setStatus(ZRSO::SNAP_REVERTED);
    return true;
}

}  // namespace

int revertSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return WorkEachRecord(infos, count,
                          [osUtil](ZRSO::SnapInfo* info) { return RevertDevice(info, osUtil); });
}
