// Volume lookups, listings, snapshots deletion and LUN create/delete/resize.
#include <cstdint>
#include <limits>

#include "xiv/Xiv.h"

namespace {

const char kNoVolumeDetails[] =
    "No volume details received by the command. Please check the storage array logs for "
    "possible anomalies. Output-[";

XIVFilerSnapInfo RecordOf(const XivVol& vol) {
    XIVFilerSnapInfo record;
    record.sVolumeName = vol.name;
    record.sVolumeId = vol.wwn;
    record.sCGName = vol.cg_name;
    record.sPoolName = vol.pool_name;
    record.sSnapshotSerial = vol.snapshot_serial;
    return record;
}

// True when a volume of currentMiB must shrink to become newGiB large.
bool NeedsShrink(int64_t currentMiB, int64_t newGiB) {
    const int64_t limit = std::numeric_limits<int64_t>::max() / 1024;
    if (newGiB > limit) return false;
    if (newGiB < -limit) return true;
    return currentMiB > newGiB * 1024;
}

}  // namespace

void Xiv::GetVolumeByWWN(XIVFilerSnapInfo& volume, std::map<std::string, std::string>& wwnToName,
                         int& errorCode, std::string& errorText) {
    errorCode = 0;
    // A WWN the command layer refuses runs nothing; an earlier answer's
    // status must not then pass for this lookup's.
    SetResult("");
    {
        OwnedList listed;
        xcli_.GetVolumeByWWN(volume.sVolumeId, listed.items, errorCode, errorText);
        if (errorCode == 0) {
            XivVol* found = FirstOf<XivVol>(listed.items);
            if (found == nullptr) {
                errorCode = -1;
                errorText = kNoVolumeDetails + errorText + "]";
                logger_.logMessage(2, "Xiv::GetVolumeByWWN", "%s", errorText.c_str());
                return;
            }
            volume.sCGName = found->cg_name;
            volume.sPoolName = found->pool_name;
            volume.sVolumeName = found->name;
        }
    }
    if (GetResult() != "UNKNOWN_ARGUMENTS") return;

    // The array's client does not know wwn=: find the name in the full listing.
    logger_.logMessage(1, "Xiv::GetVolumeByWWN",
                       "Unable to get volume with wwn input, getting all volumes.");
    errorCode = 0;
    errorText.clear();
    auto known = wwnToName.find(volume.sVolumeId);
    if (known != wwnToName.end()) {
        volume.sVolumeName = known->second;
        return;
    }
    std::vector<XivVolumeInfo> all;
    xcliCsv_.GetVolNameWWNList(all, errorCode, errorText);
    if (errorCode != 0) {
        errorCode = -1;
        std::string status = xcliCsv_.GetResult();
        if (!status.empty()) SetResult(status);
        return;
    }
    for (const XivVolumeInfo& info : all) wwnToName[info.sWWN] = info.sVolName;
    known = wwnToName.find(volume.sVolumeId);
    if (known != wwnToName.end()) volume.sVolumeName = known->second;
}

void Xiv::GetVolumeByName(XIVFilerSnapInfo& volume, int& errorCode, std::string& errorText) {
    errorCode = 0;
    OwnedList listed;
    xcli_.GetVolumeByName(volume.sVolumeName, listed.items, errorCode, errorText);
    if (errorCode != 0) return;
    XivVol* found = FirstOf<XivVol>(listed.items);
    if (found == nullptr) {
        errorCode = -1;
        errorText += "Volume [" + volume.sVolumeName + "] not found.";
        SetResult("VOLUME_BAD_NAME");
        return;
    }
    volume.sCGName = found->cg_name;
    volume.sPoolName = found->pool_name;
    volume.sVolumeId = found->wwn;
}

void Xiv::GetVolumeByName(const std::string& name, std::string& wwn, int& errorCode,
                          std::string& errorText) {
    errorCode = 0;
    OwnedList listed;
    xcli_.GetVolumeByName(name, listed.items, errorCode, errorText);
    if (errorCode != 0) return;
    XivVol* found = FirstOf<XivVol>(listed.items);
    if (found == nullptr) {
        errorCode = -1;
        errorText += "Volume [" + name + "] not found.";
        SetResult("VOLUME_BAD_NAME");
        return;
    }
    wwn = found->wwn;
}

void Xiv::DeleteSnapshot(const std::string& snapshot, int& errorCode, std::string& errorText) {
    errorCode = 0;
    if (snapshot.empty()) {
        errorCode = -1;
        errorText += "Snap name is empty.";
        return;
    }
    xcli_.DeleteSnapshot(snapshot, errorCode, errorText);
}

bool Xiv::IsVolumePresent(const std::string& volume, int& errorCode, std::string& errorText) {
    errorCode = 0;
    // An empty name would list every volume of the array and so look present.
    if (volume.empty()) {
        errorCode = -1;
        errorText += "Volume name is empty.";
        return false;
    }
    OwnedList listed;
    xcli_.GetVolList(volume, listed.items, errorCode, errorText);
    return errorCode == 0 && FirstOf<XivVol>(listed.items) != nullptr;
}

void Xiv::GetVolumesInCG(const std::string& group, std::vector<XIVFilerSnapInfo>& volumes,
                         int& errorCode, std::string& errorText) {
    errorCode = 0;
    volumes.clear();
    OwnedList listed;
    xcli_.GetVolListInCG(group, listed.items, errorCode, errorText);
    if (errorCode != 0) return;
    for (ResourceNode* node : listed.items)
        if (XivVol* vol = dynamic_cast<XivVol*>(node)) volumes.push_back(RecordOf(*vol));
}

void Xiv::GetAllVolumes(std::vector<XIVFilerSnapInfo>& volumes, int& errorCode,
                        std::string& errorText) {
    errorCode = 0;
    volumes.clear();
    OwnedList listed;
    xcli_.GetVolList("", listed.items, errorCode, errorText);
    if (errorCode != 0) return;
    for (ResourceNode* node : listed.items)
        if (XivVol* vol = dynamic_cast<XivVol*>(node)) volumes.push_back(RecordOf(*vol));
}

void Xiv::GetAllVolumes(std::list<XivVol*>& volumes, int& errorCode, std::string& errorText) {
    errorCode = 0;
    OwnedList listed;
    xcli_.GetVolList("", listed.items, errorCode, errorText);
    size_t moved = HandOver(listed.items, volumes);
    if (errorCode == 0 && moved == 0) {
        errorCode = -1;
        errorText += "Volume lists not found.";
        SetResult("VOLUME_BAD_COMMAND");
    }
}

void Xiv::CreateVolume(const std::string& volume, const std::string& pool, long size,
                       int& errorCode, std::string& errorText) {
    // Decided by the result alone: clear it so a refused name cannot inherit
    // an earlier SUCCESS.
    SetResult("");
    xcli_.CreateVolume(volume, pool, static_cast<int64_t>(size), errorCode, errorText);
    DebugLog log(nullptr);
    std::string result = GetResult();
    if (result == "SUCCESS") {
        errorCode = 0;
        log.DebugLvl("XIV_xiv::CreateVolume", 0, "vol with name [%s] is created  .",
                     volume.c_str());
    } else {
        errorCode = -1;
        log.DebugLvl("XIV_xiv::CreateVolume", -1, "VOL is not created with this status [%s]  .",
                     result.c_str());
    }
}

void Xiv::DeleteVolume(const std::string& volume, int& errorCode, std::string& errorText) {
    SetResult("");
    xcli_.DeleteVolume(volume, errorCode, errorText);
    DebugLog log(nullptr);
    std::string result = GetResult();
    if (result == "SUCCESS") {
        errorCode = 0;
        log.DebugLvl("XIV_xcli::DeleteVolume", 0, "vol with name [%s] is deleted  .",
                     volume.c_str());
    } else {
        errorCode = -1;
        log.DebugLvl("XIV_xcli::DeleteVolume", -1, "VOL is not deleted with this status [%s]  .",
                     result.c_str());
    }
}

void Xiv::ResizeVolume(const std::string& volume, long sizeGiB, int& errorCode,
                       std::string& errorText) {
    errorCode = 0;
    bool shrink = false;
    {
        OwnedList listed;
        xcli_.GetVolumeByName(volume, listed.items, errorCode, errorText);
        if (errorCode == 0) {
            XivVol* found = FirstOf<XivVol>(listed.items);
            if (found == nullptr) {
                errorCode = -1;
                errorText += "Volume [" + volume + "] not found.";
                SetResult("VOLUME_BAD_NAME");
            } else {
                shrink = NeedsShrink(found->size_MiB, sizeGiB);
            }
        }
    }
    // Runs after a failed lookup too; without the flag the array refuses a
    // shrink, so nothing is lost. Its outcome decides alone.
    SetResult("");
    xcli_.ResizeVolume(volume, static_cast<int64_t>(sizeGiB), shrink, errorCode, errorText);
    DebugLog log(nullptr);
    std::string result = GetResult();
    if (result == "SUCCESS") {
        errorCode = 0;
        log.DebugLvl("XIV_xcli::ResizeVolume", 0, "vol with name [%s] is resized  .",
                     volume.c_str());
    } else {
        errorCode = -1;
        log.DebugLvl("XIV_xcli::ResizeVolume", -1, "VOL is not resized with this status [%s]  .",
                     result.c_str());
    }
}
