#include "engine/snapshot/ConsistencyGroupStage.h"

#include <cstdio>
#include <set>

#include "engine/common/Codes.h"
#include "engine/common/ArrayAccess.h"
#include "engine/boundary/EntryFrame.h"
#include "engine/common/FunctionTags.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Settings.h"
#include "engine/snapshot/SnapMetadata.h"
#include "xiv/Xiv.h"

namespace {

// What the array answers for a group that does not exist: not an error here.
const char* const kNoSuchGroup = "CONS_GROUP_BAD_NAME";

// Array failures of the stage: the raw client text to the log, the message
// with the array's sentence to the host.
void Fail(ZRSO::SnapInfo* first, Xiv& xiv, const std::string& what, const std::string& errorText) {
    const std::string message = what + ArrayErrorDescription(xiv);
    RecordLog(first, ZRSO::LOG_ERROR, tag::kPrepareDevices, errorText);
    first->setError(kGroupStageCode, message.c_str());
}

bool IsPrepared(const std::vector<XIVFilerSnapInfo>& prepared, const std::string& volume) {
    for (const auto& record : prepared)
        if (record.sVolumeName == volume) return true;
    return false;
}

bool IsListed(const std::vector<XivVol>& members, const std::string& volume) {
    for (const auto& member : members)
        if (member.name == volume) return true;
    return false;
}

}  // namespace

std::string ConsistencyGroupName(int fleetNumber, int appId) {
    char name[64];
    std::snprintf(name, sizeof name, "ZR_CG_%X_%d", static_cast<unsigned>(fleetNumber), appId);
    return name;
}

std::string SnapGroupName(int64_t jobId, int64_t stamp) {
    char name[64];
    std::snprintf(name, sizeof name, "QS_2_%lld_%lld", static_cast<long long>(jobId),
                  static_cast<long long>(stamp));
    return name;
}

void RunConsistencyGroupStage(ZRSO::SnapInfo** infos, short count, int64_t jobId, int64_t stamp,
                              std::vector<XIVFilerSnapInfo>& prepared) {
    ZRSO::SnapInfo* first = FirstRecord(infos, count);
    if (first == nullptr || prepared.empty()) return;
    for (int i = 0; i < count; ++i)
        if (ZRSO::SnapInfo* info = RecordAt(infos, count, i)) info->setStatus(ZRSO::SNAP_PREPARE_FAILED);

    int appId = 0;
    if (first->getIntProperty(ZRSO::INTPROP_APPLICATION_ID, &appId) != 0) {
        RecordLog(first, ZRSO::LOG_ERROR, tag::kPrepareDevices, "Unable to get AppID.");
        return;
    }
    int fleetNumber = 0;
    if (first->getIntProperty(ZRSO::INTPROP_FLEET_NUMBER, &fleetNumber) != 0) {
        RecordLog(first, ZRSO::LOG_ERROR, tag::kPrepareDevices, "Unable to get Fleet number.");
        return;
    }
    const std::string group = ConsistencyGroupName(fleetNumber, appId);
    const std::string snapGroup = SnapGroupName(jobId, stamp);

    std::set<std::string> pools;
    for (const auto& record : prepared) pools.insert(record.sPoolName);
    if (pools.size() > 1) {
        RecordLog(first, ZRSO::LOG_ERROR, tag::kPrepareDevices,
                  "Volumes in the subclient are from different pools. Cannot use consistency group.");
        return;
    }

    const XIVFilerSnapInfo& lead = prepared.front();
    const std::string& array = lead.sHostName;
    const std::string& pool = lead.sPoolName;
    Xiv xiv = OpenArray(lead, first);
    XivError error;

    std::string groupPool;
    bool present = xiv.IsCgPresent(group, groupPool, error);
    if (error.code != 0 && xiv.GetResult() != kNoSuchGroup) {
        Fail(first, xiv, "Failed to check if consistency group[" + group +
                             "] is present on the array[" + array + "]", error.text);
        return;
    }
    if (present && groupPool != pool) {
        RecordLog(first, ZRSO::LOG_ERROR, tag::kPrepareDevices,
                  FormatText("Consistency Group[%s] exists but is in pool[%s]. Volumes in the "
                             "subclient are in the pool[%s]. Cannot use consistency groups.",
                             group.c_str(), groupPool.c_str(), pool.c_str()));
        return;
    }
    if (!present) {
        error.clear();
        xiv.CreateConsistencyGroup(group, pool, error);
        if (error.code != 0) {
            Fail(first, xiv, "Failed to create consistency group[" + group + "], in pool[" + pool +
                                 "] on the array[" + array + "]", error.text);
            return;
        }
    }

    std::vector<XivVol> members;
    error.text.clear();
    xiv.GetVolumesInCG(group, members, error);
    if (error.code != 0) {
        Fail(first, xiv, "Failed to list all the volumes in CG[" + group + "] on the array[" +
                             array + "]", error.text);
        return;
    }

    auto removeFrom = [&](const std::string& from, const std::string& volume) {
        error.text.clear();
        xiv.RemoveVolumeFromCG(from, volume, error);
        if (error.code == 0) return true;
        Fail(first, xiv, "Failed to remove volume[" + volume + "] from the consistency group[" +
                             from + "] on the array[" + array + "]", error.text);
        return false;
    };

    // Volumes an earlier job left in the group would be snapped with this one.
    for (const auto& member : members) {
        if (IsPrepared(prepared, member.name)) continue;
        if (!removeFrom(group, member.name)) return;
    }

    for (const auto& record : prepared) {
        if (IsListed(members, record.sVolumeName)) continue;
        // A volume belongs to one group at most: leave the other one first.
        if (!record.sCGName.empty() && record.sCGName != group) {
            RecordLog(first, ZRSO::LOG_DETAIL, tag::kPrepareDevices,
                      FormatText("Volume[%s] is already in a different consistency group[%s]. "
                                 "Removing it first..",
                                 record.sVolumeName.c_str(), record.sCGName.c_str()));
            if (!removeFrom(record.sCGName, record.sVolumeName)) return;
        }
        error.text.clear();
        xiv.AddVolumetoCG(group, record.sVolumeName, error);
        if (error.code != 0) {
            Fail(first, xiv, "Failed to add volume[" + record.sVolumeName +
                                 "] to the consistency group[" + group + "] on the array[" +
                                 array + "]", error.text);
            return;
        }
    }

    for (auto& record : prepared) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, record.nDeviceIndex);
        if (info == nullptr) continue;
        record.sSnapName = snapGroup + "." + record.sVolumeName;
        std::string error;
        // A device whose group metadata is not stored could not be snapped
        // with the others later: it stays not prepared.
        if (!WriteMetaData(info, record, group, snapGroup, error)) {
            info->setError(kGroupStageCode, (std::string(tag::kPrepareDevices) + ": " + error).c_str());
            continue;
        }
        info->setStatus(ZRSO::SNAP_PREPARED);
        info->setSnapshotName(record.sSnapName.c_str());
    }
}
