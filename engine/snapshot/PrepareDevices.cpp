// zrso_prepareDevices: resolves each source device to its array, login and
// volume, fixes the snapshot name and stores the metadata later steps read;
// with the group setting, gathers the volumes in one consistency group.
#include <cstdint>
#include <ctime>
#include <map>
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
#include "engine/identity/FilerInfo.h"
#include "engine/snapshot/ConsistencyGroupStage.h"
#include "engine/snapshot/SnapMetadata.h"
#include "engine/snapshot/SnapshotBodies.h"
#include "xiv/Xiv.h"
#include "xiv/XivErrorTable.h"

namespace {

constexpr int kBufferSize = 1024;
// A volume the array does not know by the disk's WWN.
const char* const kNoSuchVolume = "VOLUME_BAD_NAME";
const char* const kSuccess = "SUCCESS";

struct PrepareCall {
    ZRSO::SnapInfo** infos;
    short count;
    ZRSO::ZROSUtil* osUtil;
    // Filled by the first WWN fallback listing and reused for later devices.
    std::map<std::string, std::string> wwnToName;
    std::vector<XIVFilerSnapInfo> prepared;
};

// The UTC broken-down time read back as local time, as the group names have
// always been stamped.
int64_t TimeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_r(&now, &utc) == nullptr) return static_cast<int64_t>(now);
    return static_cast<int64_t>(std::mktime(&utc));
}

void FailDevice(ZRSO::SnapInfo* info, int status, int code, const std::string& message) {
    RecordLog(info, ZRSO::LOG_ERROR, tag::kPrepareDevices, message);
    info->setStatus(status);
    info->setError(code, message.c_str());
}

// An array lookup failed: the client's text goes to the log, the message
// with the array's sentence to the host together with the error's code.
void FailLookup(ZRSO::SnapInfo* info, Xiv& xiv, const std::string& what,
                const std::string& errorText) {
    const std::string message = what + ArrayErrorDescription(xiv);
    RecordLog(info, ZRSO::LOG_ERROR, tag::kPrepareDevices, errorText);
    info->setStatus(ZRSO::SNAP_FAILED);
    info->setError(ArrayErrorCode(xiv), message.c_str());
}

// The volume's name from the disk's WWN unless an earlier prepare stored
// it, and its group and pool; false (the record failed) when the array does
// not answer them.
bool LookUpVolume(PrepareCall& call, ZRSO::SnapInfo* info, Xiv& xiv, XIVFilerSnapInfo& record) {
    const std::string onArray = "] on array:[" + record.sHostName + "]";
    if (record.sVolumeName.empty()) {
        XivError error;
        XivVol volume = record.Volume();
        xiv.GetVolumeByWWN(volume, call.wwnToName, error);
        record.SetVolume(volume);
        // A full listing that lacks the WWN answers success without a name.
        if (error.code == 0 && record.sVolumeName.empty()) {
            error.code = -1;
            error.text += "No volume with WWN [" + record.sVolumeId + "] on the array.";
        }
        // The array answered but holds no such volume: say so to the host
        // rather than hand it the code of an unknown error.
        if (error.code != 0 && xiv.GetResult() == kSuccess) xiv.SetResult(kNoSuchVolume);
        if (error.code != 0) {
            FailLookup(info, xiv,
                       "Unable to get name of the volume with ID = [" + record.sVolumeId + onArray,
                       error.text);
            return false;
        }
    }
    if (record.sCGName.empty() || record.sPoolName.empty()) {
        XivError error;
        XivVol volume = record.Volume();
        xiv.GetVolumeByName(volume, error);
        record.SetVolume(volume);
        if (error.code != 0) {
            FailLookup(info, xiv,
                       "Unable to get properties of the volume with name = [" + record.sVolumeName +
                           onArray,
                       error.text);
            return false;
        }
    }
    return true;
}

// The snapshot's name (the id the host gave it) stored with the volume and
// array in the record's metadata; false (the record failed) otherwise.
bool StoreSnapshotPlan(ZRSO::SnapInfo* info, XIVFilerSnapInfo& record,
                       const std::string& shownDevice) {
    std::string snapshotId;
    if (!ReadSnapshotId(info, kBufferSize, snapshotId)) {
        FailDevice(info, ZRSO::SNAP_PREPARE_FAILED, kNoSnapshotIdCode,
                   std::string(tag::kPrepareDevices) + " Unable to get the SnapUUID for device " +
                       shownDevice);
        return false;
    }
    record.sSnapName = snapshotId;
    // Metadata that would read back differently (a comma in a name) would
    // send every later step to the wrong snapshot: refuse the device.
    std::string why;
    if (!WriteMetaData(info, record, why)) {
        FailDevice(info, ZRSO::SNAP_PREPARE_FAILED, kNoSnapshotIdCode,
                   std::string(tag::kPrepareDevices) +
                       " Unable to store the snapshot details of device " + shownDevice + ": " +
                       why);
        return false;
    }
    return true;
}

// False when the device pass must stop; a device that is not an XIV volume
// is left alone and the pass goes on.
bool PrepareDevice(PrepareCall& call, int index) {
    ZRSO::SnapInfo* info = RecordAt(call.infos, call.count, index);
    if (info == nullptr) return true;

    std::string device;
    if (!ReadSourceDevice(info, kBufferSize, device)) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kPrepareDevices,
                  "Unable to get the src device to be prepared");
        info->setStatus(ZRSO::SNAP_PREPARE_FAILED);
        info->setError(kNoSourceDeviceCode, (std::string(tag::kPrepareDevices) +
                                             ": Unable to get the src device to be prepared")
                                                .c_str());
        return false;
    }
    const std::string shownDevice = TextBeforePassword(device);

    XIVFilerSnapInfo record;
    if (GetFilerInfo(info, device, call.osUtil, record, true, false) == 0) return true;
    RecordLog(info, ZRSO::LOG_DETAIL, tag::kPrepareDevices,
              std::string(tag::kPrepareDevices) + " [" + shownDevice + "] is an IBM XIV device");

    if (info->selectArrayLogin(record.sArrayId.c_str()) != 0) {
        FailDevice(info, ZRSO::SNAP_PREPARE_FAILED, kLoginNotSelectedCode,
                   std::string(tag::kPrepareDevices) +
                       " Unable to set the login credentials for array [" + record.sHostName +
                       "].");
        return false;
    }
    // Metadata of an earlier prepare and the selected login, where the host
    // has them; a first prepare has no metadata yet, which is no failure.
    GetVolumeAndFilerInfoFromSnap(info, call.osUtil, record);

    Xiv xiv = OpenArray(record, info);
    if (!LookUpVolume(call, info, xiv, record)) return false;
    if (!StoreSnapshotPlan(info, record, shownDevice)) return false;
    info->setStatus(ZRSO::SNAP_PREPARED);
    record.nDeviceIndex = index;
    call.prepared.push_back(record);
    return true;
}

}  // namespace

int prepareDevicesBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    PrepareCall call{infos, count, osUtil, {}, {}};
    const int64_t jobId = osUtil->getJobId();
    const int64_t stamp = TimeStamp();

    bool ranToEnd = true;
    for (int i = 0; i < count && ranToEnd; ++i) ranToEnd = PrepareDevice(call, i);

    // The stage works on the first prepared volume's login and pool: with
    // nothing prepared there is nothing to group.
    ZRSO::SnapInfo* first = FirstRecord(infos, count);
    if (ranToEnd && !call.prepared.empty() && count != 1 && first != nullptr &&
        GetXIVUseConsistencyGroup(first) != 0) {
        RunConsistencyGroupStage(infos, count, jobId, stamp, call.prepared);
    }
    return SettleStatuses(infos, count, ZRSO::SNAP_PREPARED, ZRSO::SNAP_PREPARE_FAILED);
}
