// zrso_unmapSnaps: unmaps each record's duplicate from every host object
// holding this machine's initiators (and the ESX server's, for a VMware
// source), deletes it unless the record keeps it, and has the host rescan
// and drop the devices that carried the duplicates.
#include <list>
#include <string>

#include "engine/common/ArrayAccess.h"
#include "engine/common/Codes.h"
#include "engine/common/FunctionTags.h"
#include "engine/common/HostBuffer.h"
#include "engine/common/RecordArray.h"
#include "engine/common/RecordLog.h"
#include "engine/common/RecordText.h"
#include "engine/common/Settings.h"
#include "engine/mount/Discovery.h"
#include "engine/mount/Initiators.h"
#include "engine/mount/MountBodies.h"
#include "engine/snapshot/SnapMetadata.h"
#include "xiv/Xiv.h"

namespace {

constexpr int kTextBufferSize = 4096;

// How a record's turn ends; kGoOn: the initiators are known, unmap.
enum class Turn { kNext, kStop, kGoOn, kUnmapped };

struct UnmapState {
    std::list<std::string> initiators;
    std::list<std::string> removal;
    std::string rescanHost;
};

void Fail(ZRSO::SnapInfo* info, int code, const std::string& message, const std::string& logText) {
    RecordLog(info, ZRSO::LOG_ERROR, tag::kUnmapSnaps, logText);
    info->setStatus(ZRSO::SNAP_UNMAP_FAILED);
    info->setError(code, message.c_str());
}

// This machine's initiators, and the ESX server's for a VMware source.
Turn DiscoverInitiators(UnmapState& state, ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil,
                        XIVFilerSnapInfo& record, Xiv& xiv, const std::string& sourceDevice) {
    state.rescanHost.clear();
    const std::string clientName = ClientName();
    if (clientName.empty()) {
        Fail(info, kNoClientNameCode, "ZrSnapXIV::zrso_isMapped:Unable to determine client name.",
             "Unable to determine client name.");
        return Turn::kStop;
    }
    state.rescanHost = clientName;
    if (!FindHostInitiators(state.initiators, record, osUtil, state.rescanHost, xiv, info)) {
        Fail(info, kNoInitiatorsCode, "Unable to detect initiator info.",
             "Unable to detect initiator info.");
        return Turn::kStop;
    }
    if (sourceDevice.find("vmware") == std::string::npos) return Turn::kGoOn;

    HostTextResult identifier = ReadHostIdentifier(info);
    if (!identifier.ok()) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kUnmapSnaps,
                  "Error:Unable to get the host identifier.");
        return Turn::kNext;
    }
    state.rescanHost = identifier.text;
    std::string esxInitiator;
    if (!FindEsxInitiator(esxInitiator, record, osUtil, state.rescanHost, info)) {
        Fail(info, kNoInitiatorsCode, "Unable to detect initiator info for ESX server.",
             "Unable to detect initiator info for ESX server.");
        return Turn::kStop;
    }
    state.initiators.push_back(esxInitiator);
    return Turn::kGoOn;
}

// The duplicate unmapped from the host objects of the initiators and,
// unless the record keeps it, deleted; false (the record failed) otherwise.
bool RemoveDuplicate(UnmapState& state, ZRSO::SnapInfo* info, Xiv& xiv,
                     const XIVFilerSnapInfo& record) {
    const std::string& duplicate = record.sDuplicateName;
    XivError error;
    std::string hostName;
    xiv.UnMapVolume(duplicate, state.initiators, hostName, error);
    if (error.code != 0) {
        Fail(info, ArrayErrorCode(xiv),
             "Unable to unmap duplicate of the snap:[" + record.sSnapName + "] of volume:[" +
                 record.sVolumeId + "] on file server:[" + record.sHostName + "]." +
                 ArrayErrorDescription(xiv),
             error.text);
        return false;
    }
    RecordLog(info, ZRSO::LOG_DETAIL, tag::kUnmapSnaps,
              "Successfully unmapped the duplicate [" + duplicate + "]");
    if ((info->getFlags() & ZRSO::FLAG_KEEP_DUPLICATE) != 0) return true;
    xiv.DeleteSnapshot(duplicate, error);
    if (error.code != 0) {
        Fail(info, ArrayErrorCode(xiv),
             "Unable to delete the duplicate duplicate:[" + duplicate + "]" + "error code [" +
                 xiv.GetResult() + "]." + ArrayErrorDescription(xiv),
             error.text);
        return false;
    }
    RecordLog(info, ZRSO::LOG_DETAIL, tag::kUnmapSnaps,
              "Successfully deleted duplicate " + duplicate);
    return true;
}

// The disk that carried the duplicate, for the host to drop; a record that
// never got a device has nothing to drop.
void NoteDeviceForRemoval(UnmapState& state, ZRSO::SnapInfo* info) {
    HostTextRequest request;
    request.bufferSize = kTextBufferSize;
    HostTextResult device = ReadRecordText(
        [info](char* buffer, short* size) { return info->getSnapDevice(buffer, size); }, request);
    if (device.ok() && !device.text.empty()) {
        RecordLog(info, ZRSO::LOG_DETAIL, tag::kUnmapSnaps,
                  "Added device [" + device.text + "] for deletion");
        state.removal.push_back(device.text);
    }
}

Turn UnmapRecord(UnmapState& state, ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil) {
    info->setStatus(ZRSO::SNAP_UNMAP_FAILED);
    XIVFilerSnapInfo record;
    if (!GetVolumeAndFilerInfoFromSnap(info, osUtil, record)) {
        const std::string message =
            std::string(tag::kUnmapSnaps) +
            "Unable to get the array and volume information from the snap information";
        Fail(info, kNoMetadataCode, message, message);
        return Turn::kNext;
    }
    Xiv xiv = OpenArray(record, info);

    std::string sourceDevice;
    if (!ReadSourceDevice(info, kTextBufferSize, sourceDevice)) {
        Fail(info, kNoSourceDeviceCode,
             "Unable to get the src device of the snapshot to be unmounted",
             "Unable to get the src device to be snapped ");
        return Turn::kNext;
    }
    if (state.initiators.empty()) {
        Turn turn = DiscoverInitiators(state, info, osUtil, record, xiv, sourceDevice);
        if (turn != Turn::kGoOn) return turn;
    }

    GetDuplicateName(info, record.sDuplicateName);
    if (!RemoveDuplicate(state, info, xiv, record)) return Turn::kNext;
    info->setStatus(ZRSO::SNAP_UNMAPPED);
    NoteDeviceForRemoval(state, info);
    return Turn::kUnmapped;
}

}  // namespace

int unmapSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    UnmapState state;
    long unmapped = 0;
    for (int i = 0; i < count; ++i) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, i);
        if (info == nullptr) continue;
        Turn turn = UnmapRecord(state, info, osUtil);
        if (turn == Turn::kUnmapped) ++unmapped;
        if (turn == Turn::kStop) break;
    }
    refreshSystemBus(osUtil, state.initiators, state.removal, state.rescanHost);
    return ResultConvention(unmapped, count);
}
