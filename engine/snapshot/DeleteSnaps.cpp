// zrso_deleteSnaps: deletes each device's snapshot, after disbanding a
// snapshot group a failed group snap left behind and deleting a mount
// duplicate an unmount left behind. A failing device does not stop the others.
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

void Fail(ZRSO::SnapInfo* info, int code, const std::string& message, const std::string& logText) {
    RecordLog(info, ZRSO::LOG_ERROR, tag::kDeleteSnaps, logText);
    info->setError(code, message.c_str());
    info->setStatus(ZRSO::SNAP_DELETE_FAILED);
}

// A snapshot group a failed group snap left behind is disbanded first:
// snapshots inside a group cannot be deleted one by one. False (the record
// failed) when the array cannot tell or disband it.
bool DisbandLeftSnapGroup(ZRSO::SnapInfo* info, Xiv& xiv, const XIVFilerSnapInfo& record) {
    if (record.sSnapGroupName.empty()) return true;
    XivError error;
    const bool present = xiv.IsSnapGroupPresent(record.sSnapGroupName, error);
    if (error.code != 0) {
        Fail(info, kSnapGroupCode,
             "Unable to check if snap group :[" + record.sSnapGroupName + "] exists on array:[" +
                 record.sHostName + "]. " + ArrayErrorDescription(xiv),
             error.text);
        return false;
    }
    if (!present) return true;
    error.text.clear();
    xiv.DisbandSnapGroup(record.sCGName, record.sSnapGroupName, error);
    if (error.code == 0) return true;
    Fail(info, kSnapGroupCode,
         "Unable to disband snap group :[" + record.sSnapGroupName + "] exists on array:[" +
             record.sHostName + "]. " + ArrayErrorDescription(xiv),
         error.text);
    return false;
}

bool DeleteDevice(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil) {
    info->setStatus(ZRSO::SNAP_DELETE_FAILED);
    XIVFilerSnapInfo record;
    if (!GetVolumeAndFilerInfoFromSnap(info, osUtil, record)) {
        const std::string message =
            "Unable to get the filer and volume information from the snap information";
        Fail(info, kNoMetadataCode, message, message);
        return false;
    }
    Xiv xiv = OpenArray(record, info);
    if (!DisbandLeftSnapGroup(info, xiv, record)) return false;
    XivError error;

    // A duplicate that is already gone counts as deleted.
    GetDuplicateName(info, record.sDuplicateName);
    error.text.clear();
    xiv.DeleteSnapshot(record.sDuplicateName, error);
    if (error.code != 0) {
        Fail(info, ArrayErrorCode(xiv),
             "Unable to delete the duplicate duplicate:[" + record.sDuplicateName + "]" +
                 "error code [" + xiv.GetResult() + "]." + ArrayErrorDescription(xiv),
             error.text);
        return false;
    }

    if (record.sSnapName.empty()) {
        RecordLog(info, ZRSO::LOG_DETAIL, tag::kDeleteSnaps,
                  "Snap name is empty. Probably prepare phase itself failed. Trying to delete the "
                  "snap using snap UUID as snap name.");
        info->getSnapshotIdText(record.sSnapName);
    }
    error.text.clear();
    xiv.DeleteSnapshot(record.sSnapName, error);
    if (error.code != 0) {
        Fail(info, ArrayErrorCode(xiv),
             "Unable to delete snap:[" + record.sSnapName + "] of volume:[" + record.sVolumeId +
                 "] on array:[" + record.sHostName + "]. " + ArrayErrorDescription(xiv),
             error.text);
        return false;
    }
    RecordLog(info, ZRSO::LOG_DETAIL, tag::kDeleteSnaps,
              "Successfully deleted snap:[" + record.sSnapName + "] of volume:[" +
                  record.sVolumeId + "] on file server:[" + record.sHostName + "]");
    info->setStatus(ZRSO::SNAP_DELETED);
    return true;
}

}  // namespace

int deleteSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return WorkEachRecord(infos, count,
                          [osUtil](ZRSO::SnapInfo* info) { return DeleteDevice(info, osUtil); });
}
