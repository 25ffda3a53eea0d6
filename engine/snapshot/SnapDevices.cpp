// zrso_snapDevices: takes the snapshots prepare planned. Devices prepared
// alone are snapped one by one; devices prepared as a consistency group get
// one group snapshot, whose snapshot group is then disbanded so that each
// volume's snapshot stands on its own under the name prepare gave it.
#include <string>
#include <vector>

#include "engine/common/ArrayAccess.h"
#include "engine/common/Codes.h"
#include "engine/common/FunctionTags.h"
#include "engine/common/RecordArray.h"
#include "engine/common/RecordLog.h"
#include "engine/common/RecordText.h"
#include "engine/common/Redact.h"
#include "engine/common/Settings.h"
#include "engine/snapshot/SnapMetadata.h"
#include "engine/snapshot/SnapshotBodies.h"
#include "xiv/Xiv.h"

namespace {

constexpr int kBufferSize = 4096;

std::string ArrayFailure(Xiv& xiv, const std::string& what) {
    return "zrso_snapDevices: " + what + " Error [" + xiv.GetResult() + "]." +
           ArrayErrorDescription(xiv);
}

// False when the device pass must stop. Devices of a group are only
// collected here.
bool SnapDevice(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil, int index,
                std::vector<XIVFilerSnapInfo>& groupMembers) {
    ZRSO::SnapInfo* info = RecordAt(infos, count, index);
    if (info == nullptr) return true;

    std::string device;
    if (!ReadSourceDevice(info, kBufferSize, device)) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kSnapDevices,
                  "Unable to get the src device to be snapped");
        info->setStatus(ZRSO::SNAP_FAILED);
        info->setError(kNoSourceDeviceCode, "Unable to get the src device to be snapped");
        return false;
    }
    XIVFilerSnapInfo record;
    GetVolumeAndFilerInfoFromSnap(info, osUtil, record);
    if (!record.sCGName.empty()) {
        record.nDeviceIndex = index;
        groupMembers.push_back(record);
        return true;
    }

    Xiv xiv = OpenArray(record, info);
    XivError error;
    xiv.CreateSnapShot(record.sVolumeName, record.sSnapName, error);
    if (error.code != 0) {
        const std::string message =
            ArrayFailure(xiv, "Unable to take snapshot of the volume:[" + record.sVolumeName +
                                  "] on array:[" + record.sHostName + "].");
        RecordLog(info, ZRSO::LOG_ERROR, tag::kSnapDevices, message);
        info->setStatus(ZRSO::SNAP_FAILED);
        info->setError(ArrayErrorCode(xiv), message.c_str());
        return false;
    }
    info->setStatus(ZRSO::SNAP_SNAPPED);
    RecordLog(info, ZRSO::LOG_DETAIL, tag::kSnapDevices,
              "Successfully snapped src device [" + TextBeforePassword(device) + "]");
    return true;
}

void SnapConsistencyGroup(ZRSO::SnapInfo** infos, short count,
                          const std::vector<XIVFilerSnapInfo>& groupMembers) {
    ZRSO::SnapInfo* first = FirstRecord(infos, count);
    if (first == nullptr) return;
    const XIVFilerSnapInfo& lead = groupMembers.front();
    Xiv xiv = OpenArray(lead, first);
    XivError error;

    // A failed group step goes on the first record only.
    auto failed = [&](const std::string& what) {
        if (error.code == 0) return false;
        const std::string message =
            ArrayFailure(xiv, what + "] on array:[" + lead.sHostName + "].");
        RecordLog(first, ZRSO::LOG_ERROR, tag::kSnapDevices, message);
        first->setError(kGroupSnapCode, message.c_str());
        return true;
    };
    xiv.CreateCGSnapshot(lead.sCGName, lead.sSnapGroupName, error);
    if (failed("Unable to take snapshot of the consistency group:[" + lead.sCGName)) return;
    error.text.clear();
    xiv.DisbandSnapGroup(lead.sCGName, lead.sSnapGroupName, error);
    if (failed("Unable to disband the snapshot group :[" + lead.sSnapGroupName)) return;

    // Only the group just snapped is done; a device naming another group
    // (prepare never writes such a mix) has no snapshot.
    for (const auto& member : groupMembers) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, member.nDeviceIndex);
        if (info == nullptr) continue;
        if (member.sCGName == lead.sCGName && member.sSnapGroupName == lead.sSnapGroupName &&
            member.sHostName == lead.sHostName) {
            info->setStatus(ZRSO::SNAP_SNAPPED);
            continue;
        }
        const std::string message = "zrso_snapDevices: The volume:[" + member.sVolumeName +
                                    "] is in the consistency group:[" + member.sCGName +
                                    "], not in the group snapped:[" + lead.sCGName + "].";
        RecordLog(info, ZRSO::LOG_ERROR, tag::kSnapDevices, message);
        info->setStatus(ZRSO::SNAP_FAILED);
        info->setError(kGroupSnapCode, message.c_str());
    }
}

}  // namespace

int snapDevicesBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    std::vector<XIVFilerSnapInfo> groupMembers;
    bool ranToEnd = true;
    for (int i = 0; i < count && ranToEnd; ++i)
        ranToEnd = SnapDevice(infos, count, osUtil, i, groupMembers);
    if (ranToEnd && !groupMembers.empty()) SnapConsistencyGroup(infos, count, groupMembers);
    return SettleStatuses(infos, count, ZRSO::SNAP_SNAPPED, ZRSO::SNAP_FAILED);
}
