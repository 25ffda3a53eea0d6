// Volume lookups, listings, snapshots deletion and LUN create/delete/resize.
#include <cstdint>
#include <limits>

#include "xiv/TextHelpers.h"
#include "xiv/Xiv.h"

namespace {

const char kNoVolumeDetails[] =
    "No volume details received by the command. Please check the storage array logs for "
    "possible anomalies. Output-[";

// Answers of an array or client that takes no lookup by WWN: older clients
// do not know the argument, some arrays refuse its value.
bool RefusesWwnLookup(const std::string& status) {
    return status == "UNKNOWN_ARGUMENTS" || status == "ILLEGAL_VALUE" || status == "BAD_PARAMS";
}

// WWNs are kept upper-case as keys: arrays differ in the case they print.
std::string WwnKey(const std::string& wwn) { return StringToUpper(wwn); }

// A volume command is decided by its result alone: 0 for SUCCESS, else -1;
// the outcome goes to the log with the volume's name or the result.
int Settle(const std::string& result, const std::string& volume, const char* function,
           const char* doneFormat, const char* failedFormat) {
    DebugLog log(nullptr);
    if (result == "SUCCESS") {
        log.DebugLvl(function, DebugLog::kNormal, doneFormat, volume.c_str());
        return 0;
    }
    log.DebugLvl(function, DebugLog::kError, failedFormat, result.c_str());
    return -1;
}

// The 512-byte blocks that hold at least bytes; none for no bytes.
int64_t BlocksFor(int64_t bytes) {
    if (bytes <= 0) return 0;
    return bytes / 512 + (bytes % 512 != 0 ? 1 : 0);
}

// A listed volume's size in bytes: its capacity in 512-byte blocks, or, where
// the listing gives none, its size in MiB; the top of the range stops there.
int64_t BytesOf(const XivVol& vol) {
    const int64_t max = std::numeric_limits<int64_t>::max();
    if (vol.capacity > 0) return vol.capacity > max / 512 ? max : vol.capacity * 512;
    if (vol.size_MiB <= 0) return 0;
    return vol.size_MiB > (max >> 20) ? max : vol.size_MiB << 20;
}

}  // namespace

void Xiv::GetVolumeByWWN(XivVol& volume, std::map<std::string, std::string>& wwnToName,
                         XivError& error) {
    static const char* const kFunction = "Xiv::GetVolumeByWWN";
    error.code = 0;
    // A WWN the command layer refuses runs nothing; an earlier answer's
    // status must not then pass for this lookup's.
    SetResult("");
    {
        ResourceList listed;
        xcli_.GetVolumeByWWN(volume.wwn, listed, error);
        if (error.code == 0) {
            XivVol* found = FirstOf<XivVol>(listed);
            if (found == nullptr) {
                error.code = -1;
                error.text = kNoVolumeDetails + error.text + "]";
                logger_.logMessage(ZRSO::LOG_ERROR, kFunction, "%s", error.text.c_str());
                return;
            }
            volume.cg_name = found->cg_name;
            volume.pool_name = found->pool_name;
            volume.name = found->name;
        }
    }
    if (!RefusesWwnLookup(GetResult())) return;

    // The array's client does not know wwn=: find the name in the full listing.
    logger_.logMessage(ZRSO::LOG_INFO, kFunction,
                       "Unable to get volume with wwn input, getting all volumes.");
    error.code = 0;
    error.text.clear();
    auto known = wwnToName.find(WwnKey(volume.wwn));
    if (known != wwnToName.end()) {
        volume.name = known->second;
        return;
    }
    std::vector<XivVolumeInfo> all;
    xcliCsv_.GetVolNameWWNList(all, error);
    if (error.code != 0) {
        error.code = -1;
        std::string status = xcliCsv_.GetResult();
        if (!status.empty()) SetResult(status);
        return;
    }
    for (const XivVolumeInfo& info : all) wwnToName[WwnKey(info.sWWN)] = info.sVolName;
    known = wwnToName.find(WwnKey(volume.wwn));
    if (known != wwnToName.end()) volume.name = known->second;
}

XivVol* Xiv::FindVolume(const std::string& name, ResourceList& listed, XivError& error) {
    error.code = 0;
    xcli_.GetVolumeByName(name, listed, error);
    if (error.code != 0) return nullptr;
    XivVol* found = FirstOf<XivVol>(listed);
    if (found == nullptr) {
        error.code = -1;
        error.text += "Volume [" + name + "] not found.";
        SetResult("VOLUME_BAD_NAME");
    }
    return found;
}

void Xiv::GetVolumeByName(XivVol& volume, XivError& error) {
    ResourceList listed;
    XivVol* found = FindVolume(volume.name, listed, error);
    if (found == nullptr) return;
    volume.cg_name = found->cg_name;
    volume.pool_name = found->pool_name;
    volume.wwn = found->wwn;
}

void Xiv::GetVolumeByName(const std::string& name, std::string& wwn, XivError& error) {
    ResourceList listed;
    XivVol* found = FindVolume(name, listed, error);
    if (found != nullptr) wwn = found->wwn;
}

void Xiv::DeleteSnapshot(const std::string& snapshot, XivError& error) {
    error.code = 0;
    if (snapshot.empty()) {
        error.code = -1;
        error.text += "Snap name is empty.";
        return;
    }
    xcli_.DeleteSnapshot(snapshot, error);
}

bool Xiv::IsVolumePresent(const std::string& volume, XivError& error) {
    error.code = 0;
    // An empty name would list every volume of the array and so look present.
    if (volume.empty()) {
        error.code = -1;
        error.text += "Volume name is empty.";
        return false;
    }
    ResourceList listed;
    xcli_.GetVolList(volume, listed, error);
    return error.code == 0 && FirstOf<XivVol>(listed) != nullptr;
}

void Xiv::GetVolumesInCG(const std::string& group, std::vector<XivVol>& volumes, XivError& error) {
    error.code = 0;
    volumes.clear();
    ResourceList listed;
    xcli_.GetVolListInCG(group, listed, error);
    if (error.code != 0) return;
    TakeAll(listed, volumes);
}

void Xiv::GetAllVolumes(std::vector<XivVol>& volumes, XivError& error) {
    error.code = 0;
    ResourceList listed;
    xcli_.GetVolList("", listed, error);
    TakeListing(listed, volumes, error, "Volume lists not found.", "VOLUME_BAD_COMMAND");
}

void Xiv::CreateVolume(const std::string& volume, const std::string& pool, int64_t sizeBytes,
                       XivError& error) {
    // Decided by the result alone: clear it so a refused name cannot inherit
    // an earlier SUCCESS.
    SetResult("");
    xcli_.CreateVolume(volume, pool, BlocksFor(sizeBytes), error);
    error.code =
        Settle(GetResult(), volume, "XIV_xiv::CreateVolume", "vol with name [%s] is created  .",
               "VOL is not created with this status [%s]  .");
}

void Xiv::DeleteVolume(const std::string& volume, XivError& error) {
    SetResult("");
    xcli_.DeleteVolume(volume, error);
    error.code =
        Settle(GetResult(), volume, "XIV_xcli::DeleteVolume", "vol with name [%s] is deleted  .",
               "VOL is not deleted with this status [%s]  .");
}

void Xiv::ResizeVolume(const std::string& volume, int64_t sizeBytes, XivError& error) {
    bool shrink = false;
    {
        ResourceList listed;
        if (XivVol* found = FindVolume(volume, listed, error)) shrink = BytesOf(*found) > sizeBytes;
    }
    // Runs after a failed lookup too; without the flag the array refuses a
    // shrink, so nothing is lost. Its outcome decides alone.
    SetResult("");
    xcli_.ResizeVolume(volume, BlocksFor(sizeBytes), shrink, error);
    error.code =
        Settle(GetResult(), volume, "XIV_xcli::ResizeVolume", "vol with name [%s] is resized  .",
               "VOL is not resized with this status [%s]  .");
}

void Xiv::VolumeSize(const std::string& volume, int64_t& sizeBytes, XivError& error) {
    ResourceList listed;
    if (XivVol* found = FindVolume(volume, listed, error)) sizeBytes = BytesOf(*found);
}
