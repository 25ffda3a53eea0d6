// zrso_reconcileSnaps: flags the devices whose snapshot is gone from the
// array. Every device is checked; a failing one does not stop the others.
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

// The array's answer for a volume name it does not hold: the snapshot is
// absent, not the question failed.
const char* const kNoSuchVolume = "VOLUME_BAD_NAME";

void ReconcileDevice(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil) {
    XIVFilerSnapInfo record;
    if (!GetVolumeAndFilerInfoFromSnap(info, osUtil, record)) {
        const std::string message =
            std::string(tag::kReconcileSnaps) +
            " Unable to get the array and volume information from the snap information";
        info->setError(kNoMetadataCode, message.c_str());
        RecordLog(info, ZRSO::LOG_ERROR, tag::kReconcileSnaps, message);
        return;
    }
    Xiv xiv = OpenArray(record, info);
    XivError error;
    bool present = xiv.IsVolumePresent(record.sSnapName, error);
    if (error.code != 0 && xiv.GetResult() != kNoSuchVolume) {
        const std::string message = "Unable to find out if snapshot [" + record.sSnapName +
                                    "] of volume:[" + record.sVolumeId + "] is present on array:[" +
                                    record.sHostName + "]." + ArrayErrorDescription(xiv);
        RecordLog(info, ZRSO::LOG_ERROR, tag::kReconcileSnaps, error.text);
        info->setError(ArrayErrorCode(xiv), message.c_str());
        return;
    }
    if (!present) {
        info->setStatus(ZRSO::SNAP_MISSING);
        RecordLog(info, ZRSO::LOG_ERROR, tag::kReconcileSnaps,
                  std::string(tag::kReconcileSnaps) + ": Snapshot [" + record.sSnapName +
                      "] of volume:[" + record.sVolumeId + "] is NOT present on array:[" +
                      record.sHostName + "].");
    }
}

}  // namespace

int reconcileSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    for (int i = 0; i < count; ++i)
        if (ZRSO::SnapInfo* info = RecordAt(infos, count, i)) ReconcileDevice(info, osUtil);
    return 0;
}
