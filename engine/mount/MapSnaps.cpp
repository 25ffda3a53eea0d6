// zrso_mapSnaps, the array side: per record a writable duplicate of the
// snapshot is created, unlocked and mapped at a free LUN to this machine's
// host object (and, for a VMware source, to the ESX server's too); then the
// passes of MountDiscovery find the new disks. Nothing made on the array is
// undone when a later step fails: the next mount finds it by name.
#include <string>

#include "engine/common/ArrayAccess.h"
#include "engine/common/Codes.h"
#include "engine/common/FunctionTags.h"
#include "engine/common/HostBuffer.h"
#include "engine/common/RecordArray.h"
#include "engine/common/RecordLog.h"
#include "engine/common/RecordText.h"
#include "engine/common/Redact.h"
#include "engine/common/Settings.h"
#include "engine/mount/Discovery.h"
#include "engine/mount/Initiators.h"
#include "engine/mount/MountBodies.h"
#include "engine/mount/MountDiscovery.h"
#include "engine/snapshot/SnapMetadata.h"
#include "xiv/Xiv.h"

namespace {

const char* const kMapSnapFunction = "ZRSnapEngineXIV::mapSnap";
constexpr int kSourceDeviceBufferSize = 4096;

// How a record's step ends: go on with the next record, stop the call, go
// on with the record's next step, or wait for the duplicate's disk.
enum class Turn { kNext, kStop, kGoOn, kPending };

void SetErrorAndLog(ZRSO::SnapInfo* info, int code, const std::string& message) {
    if (info == nullptr) return;
    info->setError(code, message.c_str());
    RecordLog(info, ZRSO::LOG_ERROR, tag::kMapSnaps, message);
}

// Maps the duplicate at the lowest free LUN on hostName (empty: the host
// object holding the initiators), creating a host object when the array has
// none for them. Status 9 on success.
bool mapSnap(ZRSO::SnapInfo* info, std::string& duplicateName, std::list<std::string>& initiators,
             Xiv& array, std::string& hostName, std::string& mountHost, std::string& arrayHost) {
    XivError error;
    std::string lun;
    array.GetUnusedLun(initiators, hostName, lun, error);
    if (lun == "-1" || error.code != 0) {
        if (error.code != 0 && array.GetResult() == "HOST_BAD_NAME") {
            RecordLog(info, ZRSO::LOG_INFO, kMapSnapFunction,
                      "No host on filer matches this client. Creating one.");
            hostName = GetHostNameBase(mountHost);
            lun.clear();
            error.clear();
            array.CreateHost(initiators, false, hostName, error);
            if (error.code != 0) {
                RecordLog(info, ZRSO::LOG_ERROR, kMapSnapFunction, error.text);
                const std::string message = std::string(kMapSnapFunction) +
                                            " Unable to create host [" + hostName + "] on array [" +
                                            arrayHost + "] " + ArrayErrorDescription(array);
                info->setError(ArrayErrorCode(array), message.c_str());
                return false;
            }
            array.GetUnusedLun(initiators, hostName, lun, error);
        } else if (error.code != 0) {
            RecordLog(info, ZRSO::LOG_ERROR, kMapSnapFunction, error.text);
            const std::string message = std::string(kMapSnapFunction) +
                                        " Unable to find unused LUN on array :[" + arrayHost +
                                        "]. " + ArrayErrorDescription(array);
            info->setError(ArrayErrorCode(array), message.c_str());
        }
    }
    if (lun == "-1" || error.code != 0) {
        RecordLog(info, ZRSO::LOG_ERROR, kMapSnapFunction, error.text);
        info->setStatus(ZRSO::SNAP_MOUNT_FAILED);
        return false;
    }

    RecordLog(info, ZRSO::LOG_DETAIL, kMapSnapFunction, "Found the unused lun [" + lun + "]");
    error.clear();
    array.MapVolume(duplicateName, hostName, lun, error);
    if (error.code != 0) {
        RecordLog(info, ZRSO::LOG_ERROR, kMapSnapFunction, error.text);
        info->setStatus(ZRSO::SNAP_MOUNT_FAILED);
        const std::string message = "Unable to assign LUN [" + lun +
                                    "] to any of the connected initiators and duplicate:[" +
                                    duplicateName + "]. " + ArrayErrorDescription(array);
        info->setError(ArrayErrorCode(array), message.c_str());
        return false;
    }
    RecordLog(
        info, ZRSO::LOG_DETAIL, kMapSnapFunction,
        "mapSnaps: Successfully mapped the duplicate [" + duplicateName + "] lun [" + lun + "]");
    info->setStatus(ZRSO::SNAP_DUPLICATE_MAPPED);
    return true;
}

// An array failure of the record: its log, status 11 and the host code.
void Fail(ZRSO::SnapInfo* info, Xiv& xiv, const std::string& text, const std::string& message) {
    RecordLog(info, ZRSO::LOG_ERROR, tag::kMapSnaps, text);
    info->setStatus(ZRSO::SNAP_MOUNT_FAILED);
    info->setError(ArrayErrorCode(xiv), (message + ArrayErrorDescription(xiv)).c_str());
}

// The record's metadata, login and source device; vmwareSource tells a
// VMware datastore disk.
Turn LoadRecord(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil, XIVFilerSnapInfo& record,
                bool& vmwareSource) {
    if (!GetVolumeAndFilerInfoFromSnap(info, osUtil, record)) {
        SetErrorAndLog(info, kNoMetadataCode,
                       "Unable to get the array and volume information from the snap information");
        return Turn::kNext;
    }
    std::string sourceDevice;
    if (!ReadSourceDevice(info, kSourceDeviceBufferSize, sourceDevice)) {
        info->setError(kNoSourceDeviceCode, "Unable to get the src device to be snapped");
        RecordLog(info, ZRSO::LOG_ERROR, tag::kMapSnaps,
                  "Unable to get the src device of the snapshot to be mounted.");
        info->setStatus(ZRSO::SNAP_MOUNT_FAILED);
        return Turn::kStop;
    }
    vmwareSource = sourceDevice.find("vmware") != std::string::npos;
    return Turn::kGoOn;
}

// Where the duplicates' disks will show up: the ESX server behind a VMware
// source (with its one initiator, found once), else this machine.
Turn EnsureMountHost(MountState& state, ZRSO::SnapInfo* info, ZRSO::SnapInfo* first,
                     ZRSO::ZROSUtil* osUtil, const XIVFilerSnapInfo& record, bool vmwareSource) {
    if (vmwareSource) {
        state.vmware = true;
        HostTextResult identifier = ReadHostIdentifier(info);
        if (!identifier.ok()) {
            RecordLog(info, ZRSO::LOG_ERROR, tag::kMapSnaps,
                      "Error:Unable to get the host identifier.");
            return Turn::kNext;
        }
        state.mountHost = identifier.text;
        if (state.esxInitiators.empty()) {
            std::string esxInitiator;
            if (!FindEsxInitiator(esxInitiator, record, osUtil, state.mountHost, info) ||
                esxInitiator.empty()) {
                SetErrorAndLog(first, kNoInitiatorsCode, "Unable to detect initiator info.");
                return Turn::kStop;
            }
            state.esxInitiators.push_back(esxInitiator);
        }
    }
    const std::string clientName = ClientName();
    if (clientName.empty()) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kMapSnaps, "Error:Unable to determine client name.");
        return Turn::kStop;
    }
    state.clientName = clientName;
    if (!state.vmware) state.mountHost = clientName;
    return Turn::kGoOn;
}

// This machine's initiators as the array logs them in, found once.
Turn EnsureInitiators(MountState& state, ZRSO::SnapInfo* info, ZRSO::SnapInfo* first,
                      ZRSO::ZROSUtil* osUtil, const XIVFilerSnapInfo& record, Xiv& xiv) {
    if (!state.hostInitiators.empty()) return Turn::kGoOn;
    if (!FindHostInitiators(state.hostInitiators, record, osUtil, state.clientName, xiv, info)) {
        SetErrorAndLog(first, kNoInitiatorsCode, "Unable to detect initiator info.");
        return Turn::kStop;
    }
    return Turn::kGoOn;
}

// The IBM disks of the mount host before any duplicate is made, listed once:
// the rescan passes look for disks that were not there.
Turn ListDisksBefore(MountState& state, ZRSO::SnapInfo* info, ZRSO::SnapInfo* first,
                     ZRSO::ZROSUtil* osUtil) {
    if (!state.devicesBefore.empty()) return Turn::kGoOn;
    if (!getDeviceList(state.devicesBefore, osUtil, state.mountHost, "IBM", info)) {
        SetErrorAndLog(first, kDeviceListCode,
                       "zrso_mapSnaps: Unable to get the devicelist before the duplicate "
                       "operation for host [" +
                           MaskPasswordToEnd(state.mountHost) + "].");
        return Turn::kStop;
    }
    if (DebugHookPresent()) {
        RecordLog(first, ZRSO::LOG_INFO, tag::kMapSnaps, "Printing devices before duplicate");
        int index = 0;
        for (const std::string& device : state.devicesBefore)
            RecordLog(first, ZRSO::LOG_INFO, tag::kMapSnaps,
                      FormatText(" Volume [%d] DeviceName [%s]", index++,
                                 MaskPasswordToEnd(device).c_str()));
    }
    return Turn::kGoOn;
}

// The snapshot's writable duplicate: created and unlocked unless an earlier
// call made it, and its WWN read.
Turn EnsureDuplicate(MountState& state, ZRSO::SnapInfo* info, Xiv& xiv, XIVFilerSnapInfo& record) {
    XivError error;
    GetDuplicateName(info, record.sDuplicateName);
    const std::string& duplicate = record.sDuplicateName;
    const std::string where =
        "] of volume:[" + record.sVolumeId + "] on array:[" + record.sHostName + "].";
    const int status = info->getStatus();
    if (status != ZRSO::SNAP_DUPLICATE_EXISTS && status != ZRSO::SNAP_DUPLICATE_MAPPED) {
        xiv.CreateSnapShotDuplicate(record.sSnapName, duplicate, error);
        if (error.code != 0) {
            Fail(info, xiv, error.text,
                 "zrso_mapSnaps: Unable to create duplicate of the snap:[" + record.sSnapName +
                     where);
            return Turn::kStop;
        }
        RecordLog(info, ZRSO::LOG_DETAIL, tag::kMapSnaps,
                  "zrso_mapSnaps: Successfully created a duplicate [" + duplicate + "]");
        info->setStatus(ZRSO::SNAP_DUPLICATE_EXISTS);
        xiv.UnlockVolume(duplicate, error);
        if (error.code != 0) {
            Fail(info, xiv, error.text,
                 "zrso_mapSnaps: Unable to unlock duplicate of the snap:[" + record.sSnapName +
                     where);
            return Turn::kStop;
        }
    } else {
        state.preExisting = true;
    }
    xiv.GetVolumeByName(duplicate, record.sDuplicateVolumeId, error);
    if (error.code != 0) {
        Fail(info, xiv, error.text,
             "zrso_mapSnaps: Unable to get volume id of the volume [" + duplicate + "].");
        return Turn::kStop;
    }
    RecordLog(info, ZRSO::LOG_DETAIL, tag::kMapSnaps,
              "zrso_mapSnaps: volume id of the volume [" + duplicate + "] is [" +
                  record.sDuplicateVolumeId + "].");
    return Turn::kGoOn;
}

// The duplicate mapped to this machine's host object and, for a VMware
// source, to the ESX server's, unless an earlier call mapped it.
Turn EnsureMapping(MountState& state, ZRSO::SnapInfo* info, Xiv& xiv, XIVFilerSnapInfo& record) {
    if (info->getStatus() == ZRSO::SNAP_DUPLICATE_MAPPED) return Turn::kGoOn;
    std::string hostName;
    if (!mapSnap(info, record.sDuplicateName, state.hostInitiators, xiv, hostName, state.mountHost,
                 record.sHostName))
        return Turn::kStop;
    if (state.vmware) {
        hostName.clear();
        if (!mapSnap(info, record.sDuplicateName, state.esxInitiators, xiv, hostName,
                     state.mountHost, record.sHostName))
            return Turn::kStop;
    }
    return Turn::kGoOn;
}

// One record's turn; kPending when its duplicate is mapped and waits for its
// disk.
Turn MapRecord(MountState& state, ZRSO::SnapInfo* info, ZRSO::SnapInfo* first,
               ZRSO::ZROSUtil* osUtil) {
    XIVFilerSnapInfo record;
    bool vmwareSource = false;
    Turn turn = LoadRecord(info, osUtil, record, vmwareSource);
    if (turn == Turn::kGoOn)
        turn = EnsureMountHost(state, info, first, osUtil, record, vmwareSource);
    if (turn != Turn::kGoOn) return turn;
    Xiv xiv = OpenArray(record, info);
    turn = EnsureInitiators(state, info, first, osUtil, record, xiv);
    if (turn == Turn::kGoOn) turn = ListDisksBefore(state, info, first, osUtil);
    if (turn == Turn::kGoOn) turn = EnsureDuplicate(state, info, xiv, record);
    if (turn == Turn::kGoOn) turn = EnsureMapping(state, info, xiv, record);
    if (turn != Turn::kGoOn) return turn;
    state.pending.push_back(MakeDuplicateInfo(record, state.mountHost, state.vmware, info));
    return Turn::kPending;
}

}  // namespace

int mapSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    MountState state;
    ZRSO::SnapInfo* first = FirstRecord(infos, count);
    // Its answer is not needed: its effect is in the statuses and the lists.
    isMappedBody(infos, count, osUtil, state.hostInitiators, state.esxInitiators);

    for (int i = 0; i < count; ++i) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, i);
        if (info == nullptr) continue;
        if (MapRecord(state, info, first, osUtil) == Turn::kStop) return ResultConvention(0, count);
    }
    DiscoverMountedDevices(state, infos, count, osUtil);
    return ResultConvention(state.found, count);
}
