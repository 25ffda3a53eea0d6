#include "engine/snapshot/ConsistencyGroupStage.h"

#include <cstdio>
#include <set>

#include "engine/common/ArrayAccess.h"
#include "engine/common/Codes.h"
#include "engine/common/FunctionTags.h"
#include "engine/common/RecordArray.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Settings.h"
#include "engine/snapshot/SnapMetadata.h"
#include "xiv/Xiv.h"

namespace {

// What the array answers for a group that does not exist: not an error here.
const char* const kNoSuchGroup = "CONS_GROUP_BAD_NAME";

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

void LogError(ZRSO::SnapInfo* first, const std::string& text) {
    RecordLog(first, ZRSO::LOG_ERROR, tag::kPrepareDevices, text);
}

// One run of the stage on the array of the first prepared volume; the first
// present record reports for all.
class GroupStage {
public:
    GroupStage(ZRSO::SnapInfo* first, std::vector<XIVFilerSnapInfo>& prepared, Xiv& xiv,
               const std::string& group)
        : first_(first),
          prepared_(prepared),
          xiv_(xiv),
          group_(group),
          array_(prepared.front().sHostName),
          pool_(prepared.front().sPoolName) {}

    // The group exists in the prepared volumes' pool and holds them alone.
    bool Gather() { return EnsureGroup() && ListMembers() && RemoveOthers() && AddPrepared(); }

private:
    // Array failures of the stage: the raw client text to the log, the
    // message with the array's sentence to the host.
    void Fail(const std::string& what, const XivError& error) {
        LogError(first_, error.text);
        first_->setError(kGroupStageCode, (what + ArrayErrorDescription(xiv_)).c_str());
    }
    std::string OnArray() const { return " on the array[" + array_ + "]"; }

    bool EnsureGroup();
    bool ListMembers();
    bool RemoveOthers();
    bool AddPrepared();
    bool RemoveFrom(const std::string& group, const std::string& volume);

    ZRSO::SnapInfo* first_;
    std::vector<XIVFilerSnapInfo>& prepared_;
    Xiv& xiv_;
    const std::string& group_;
    const std::string& array_;
    const std::string& pool_;
    std::vector<XivVol> members_;
};

bool GroupStage::EnsureGroup() {
    XivError error;
    std::string groupPool;
    const bool present = xiv_.IsCgPresent(group_, groupPool, error);
    if (error.code != 0 && xiv_.GetResult() != kNoSuchGroup) {
        Fail("Failed to check if consistency group[" + group_ + "] is present on the array[" +
                 array_ + "]",
             error);
        return false;
    }
    if (present && groupPool != pool_) {
        LogError(first_, FormatText("Consistency Group[%s] exists but is in pool[%s]. Volumes in "
                                    "the subclient are in the pool[%s]. Cannot use consistency "
                                    "groups.",
                                    group_.c_str(), groupPool.c_str(), pool_.c_str()));
        return false;
    }
    if (present) return true;
    error.clear();
    xiv_.CreateConsistencyGroup(group_, pool_, error);
    if (error.code == 0) return true;
    Fail("Failed to create consistency group[" + group_ + "], in pool[" + pool_ + "]" + OnArray(),
         error);
    return false;
}

bool GroupStage::ListMembers() {
    XivError error;
    xiv_.GetVolumesInCG(group_, members_, error);
    if (error.code == 0) return true;
    Fail("Failed to list all the volumes in CG[" + group_ + "]" + OnArray(), error);
    return false;
}

// Volumes an earlier job left in the group would be snapped with this one.
bool GroupStage::RemoveOthers() {
    for (const auto& member : members_) {
        if (IsPrepared(prepared_, member.name)) continue;
        if (!RemoveFrom(group_, member.name)) return false;
    }
    return true;
}

bool GroupStage::AddPrepared() {
    for (const auto& record : prepared_) {
        if (IsListed(members_, record.sVolumeName)) continue;
        // A volume belongs to one group at most: leave the other one first.
        if (!record.sCGName.empty() && record.sCGName != group_) {
            RecordLog(first_, ZRSO::LOG_DETAIL, tag::kPrepareDevices,
                      FormatText("Volume[%s] is already in a different consistency group[%s]. "
                                 "Removing it first..",
                                 record.sVolumeName.c_str(), record.sCGName.c_str()));
            if (!RemoveFrom(record.sCGName, record.sVolumeName)) return false;
        }
        XivError error;
        xiv_.AddVolumetoCG(group_, record.sVolumeName, error);
        if (error.code != 0) {
            Fail("Failed to add volume[" + record.sVolumeName + "] to the consistency group[" +
                     group_ + "]" + OnArray(),
                 error);
            return false;
        }
    }
    return true;
}

bool GroupStage::RemoveFrom(const std::string& group, const std::string& volume) {
    XivError error;
    xiv_.RemoveVolumeFromCG(group, volume, error);
    if (error.code == 0) return true;
    Fail("Failed to remove volume[" + volume + "] from the consistency group[" + group + "]" +
             OnArray(),
         error);
    return false;
}

// The group's names from the first record's application id and Fleet
// number; false (logged) when the record does not give them.
bool ReadGroupNames(ZRSO::SnapInfo* first, int64_t jobId, int64_t stamp, std::string& group,
                    std::string& snapGroup) {
    int appId = 0;
    if (first->getIntProperty(ZRSO::INTPROP_APPLICATION_ID, &appId) != 0) {
        LogError(first, "Unable to get AppID.");
        return false;
    }
    int fleetNumber = 0;
    if (first->getIntProperty(ZRSO::INTPROP_FLEET_NUMBER, &fleetNumber) != 0) {
        LogError(first, "Unable to get Fleet number.");
        return false;
    }
    group = ConsistencyGroupName(fleetNumber, appId);
    snapGroup = SnapGroupName(jobId, stamp);
    return true;
}

bool OnePool(ZRSO::SnapInfo* first, const std::vector<XIVFilerSnapInfo>& prepared) {
    std::set<std::string> pools;
    for (const auto& record : prepared) pools.insert(record.sPoolName);
    if (pools.size() <= 1) return true;
    LogError(first,
             "Volumes in the subclient are from different pools. Cannot use consistency group.");
    return false;
}

// Each gathered device gets its metadata in the group form; a device whose
// group metadata is not stored could not be snapped with the others later:
// it stays not prepared.
void RewriteMetadata(ZRSO::SnapInfo** infos, short count, std::vector<XIVFilerSnapInfo>& prepared,
                     const std::string& group, const std::string& snapGroup) {
    for (auto& record : prepared) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, record.nDeviceIndex);
        if (info == nullptr) continue;
        record.sSnapName = snapGroup + "." + record.sVolumeName;
        std::string why;
        if (!WriteMetaData(info, record, group, snapGroup, why)) {
            info->setError(kGroupStageCode,
                           (std::string(tag::kPrepareDevices) + ": " + why).c_str());
            continue;
        }
        info->setStatus(ZRSO::SNAP_PREPARED);
        info->setSnapshotName(record.sSnapName.c_str());
    }
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
        if (ZRSO::SnapInfo* info = RecordAt(infos, count, i))
            info->setStatus(ZRSO::SNAP_PREPARE_FAILED);

    std::string group, snapGroup;
    if (!ReadGroupNames(first, jobId, stamp, group, snapGroup)) return;
    if (!OnePool(first, prepared)) return;
    Xiv xiv = OpenArray(prepared.front(), first);
    if (!GroupStage(first, prepared, xiv, group).Gather()) return;
    RewriteMetadata(infos, count, prepared, group, snapGroup);
}
