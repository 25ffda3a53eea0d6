// Every exported function: the fixed boundary the host drives the plug-in by.
// Bodies live in their capability's folder; this file only frames them.
#include <list>
#include <string>

#include "engine/boundary/EntryFrame.h"
#include "engine/boundary/ZrsoExports.h"
#include "engine/common/FunctionTags.h"
#include "engine/identity/IsXivFiler.h"
#include "engine/inventory/InventoryBody.h"
#include "engine/mount/MountBodies.h"
#include "engine/provision/ProvisionBodies.h"
#include "engine/snapshot/SnapshotBodies.h"
#include "host/rt/DebugLog.h"

namespace {

void WriteVersion(short* major, short* minor, short* patch) {
    if (major) *major = 1;
    if (minor) *minor = 0;
    if (patch) *patch = 0;
}

}  // namespace

extern "C" {

ZRSO_EXPORT void zrso_version(short* major, short* minor, short* patch) {
    WriteVersion(major, minor, patch);
}

ZRSO_EXPORT void zrso_sProvVersion(short* major, short* minor, short* patch) {
    WriteVersion(major, minor, patch);
}

ZRSO_EXPORT int zrso_isSupported(const char* device, int, ZRSO::ZROSUtil* osUtil, void*, short) {
    try {
        DebugEvent event;
        try {
            return IsXivFiler(device, osUtil) ? 0 : 1;
        } catch (...) {
            event.DebugLvl(tag::kIsSupported, DebugLog::kError, "%s", kUnhandledExceptionText);
            return 1;
        }
    } catch (...) {
        // The log itself could not be set up or written.
        return 1;
    }
}

ZRSO_EXPORT int zrso_prepareDevices(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry(tag::kPrepareDevices, infos, count, osUtil, prepareDevicesBody);
}

ZRSO_EXPORT int zrso_unprepareDevices(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*) {
    try {
        DebugEvent event;
        event.Debug(tag::kUnprepareDevices, "Nothing to be done here.");
    } catch (...) {
    }
    return 0;
}

ZRSO_EXPORT int zrso_snapDevices(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry(tag::kSnapDevices, infos, count, osUtil, snapDevicesBody);
}

ZRSO_EXPORT int zrso_reconcileSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry(tag::kReconcileSnaps, infos, count, osUtil, reconcileSnapsBody);
}

ZRSO_EXPORT int zrso_isMapped(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry(tag::kIsMapped, infos, count, osUtil,
                            [](ZRSO::SnapInfo** i, short c, ZRSO::ZROSUtil* o) {
                                std::list<std::string> hostInitiators;
                                std::list<std::string> esxInitiators;
                                return isMappedBody(i, c, o, hostInitiators, esxInitiators);
                            });
}

ZRSO_EXPORT int zrso_mapSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry(tag::kMapSnaps, infos, count, osUtil, mapSnapsBody);
}

ZRSO_EXPORT int zrso_unmapSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry(tag::kUnmapSnaps, infos, count, osUtil, unmapSnapsBody);
}

ZRSO_EXPORT int zrso_deleteSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry(tag::kDeleteSnaps, infos, count, osUtil, deleteSnapsBody);
}

ZRSO_EXPORT int zrso_revertSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry(tag::kRevertSnaps, infos, count, osUtil, revertSnapsBody);
}

ZRSO_EXPORT int zrso_getArrayInfo(ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil) {
    return RunInventoryEntry(tag::kGetArrayInfo, inventory, osUtil, getArrayInfoBody);
}

ZRSO_EXPORT int zrso_createLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry(tag::kCreateLUNs, luns, count, osUtil, createLUNsBody);
}

ZRSO_EXPORT int zrso_deleteLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry(tag::kDeleteLUNs, luns, count, osUtil, deleteLUNsBody);
}

ZRSO_EXPORT int zrso_resizeLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry(tag::kResizeLUNs, luns, count, osUtil, resizeLUNsBody);
}

ZRSO_EXPORT int zrso_mapLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry(tag::kMapLUNs, luns, count, osUtil, mapLUNsBody);
}

ZRSO_EXPORT int zrso_unmapLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry(tag::kUnmapLUNs, luns, count, osUtil, unmapLUNsBody);
}

ZRSO_EXPORT int zrso_resolveLunsToUsers(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry(tag::kResolveLunsToUsers, luns, count, osUtil,
                                resolveLunsToUsersBody);
}

}  // extern "C"

// The host may call the overload directly, so it gets a frame of its own: an
// exception must not travel into the host. Mounting calls isMappedBody, not
// this, so its exceptions still end the mount through the mount's frame.
ZRSO_EXPORT int zrso_isMapped(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil,
                              std::list<std::string>& hostInitiators,
                              std::list<std::string>& esxInitiators) {
    return RunSnapshotEntry(tag::kIsMapped, infos, count, osUtil,
                            [&](ZRSO::SnapInfo** i, short c, ZRSO::ZROSUtil* o) {
                                return isMappedBody(i, c, o, hostInitiators, esxInitiators);
                            });
}
