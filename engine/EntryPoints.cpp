// Every exported function: the fixed boundary the host drives the plug-in by.
// Bodies live elsewhere (EntryBodies.h); this file only frames them.
#include <list>
#include <string>

#include "engine/EntryBodies.h"
#include "engine/EntryFrame.h"
#include "engine/IsXivFiler.h"
#include "engine/ZrsoExports.h"
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

ZRSO_EXPORT int zrso_isSupported(const char* device, int, ZRSO::ZROSUtil* osUtil, void*,
                                 short) {
    static const char* const kFunction = "ZRSnapEngineXIV::zrso_isSupported";
    try {
        DebugEvent event;
        try {
            return IsXivFiler(device, osUtil) ? 0 : 1;
        } catch (...) {
            event.DebugLvl(kFunction, -1, "%s", kUnhandledExceptionText);
            return 1;
        }
    } catch (...) {
        // The log itself could not be set up or written.
        return 1;
    }
}

ZRSO_EXPORT int zrso_prepareDevices(ZRSO::SnapInfo** infos, short count,
                                    ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_prepareDevices", infos, count, osUtil,
                            prepareDevicesBody);
}

ZRSO_EXPORT int zrso_unprepareDevices(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*) {
    try {
        DebugEvent event;
        event.Debug("ZRSnapEngineXIV::zrso_unprepareDevices", "Nothing to be done here.");
    } catch (...) {
    }
    return 0;
}

ZRSO_EXPORT int zrso_snapDevices(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_snapDevices", infos, count, osUtil,
                            snapDevicesBody);
}

ZRSO_EXPORT int zrso_reconcileSnaps(ZRSO::SnapInfo** infos, short count,
                                    ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_reconcileSnaps", infos, count, osUtil,
                            reconcileSnapsBody);
}

ZRSO_EXPORT int zrso_isMapped(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_isMapped", infos, count, osUtil,
                            [](ZRSO::SnapInfo** i, short c, ZRSO::ZROSUtil* o) {
                                std::list<std::string> hostInitiators;
                                std::list<std::string> esxInitiators;
                                return isMappedBody(i, c, o, hostInitiators, esxInitiators);
                            });
}

ZRSO_EXPORT int zrso_mapSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_mapSnaps", infos, count, osUtil,
                            mapSnapsBody);
}

ZRSO_EXPORT int zrso_unmapSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_unmapSnaps", infos, count, osUtil,
                            unmapSnapsBody);
}

ZRSO_EXPORT int zrso_deleteSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_deleteSnaps", infos, count, osUtil,
                            deleteSnapsBody);
}

ZRSO_EXPORT int zrso_revertSnaps(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_revertSnaps", infos, count, osUtil,
                            revertSnapsBody);
}

ZRSO_EXPORT int zrso_getArrayInfo(ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil) {
    return RunInventoryEntry("ZRSnapEngineXIV::zrso_getArrayInfo", inventory, osUtil,
                             getArrayInfoBody);
}

ZRSO_EXPORT int zrso_createLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry("zrso_createLUNs", luns, count, osUtil, createLUNsBody);
}

ZRSO_EXPORT int zrso_deleteLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry("zrso_deleteLUNs", luns, count, osUtil, deleteLUNsBody);
}

ZRSO_EXPORT int zrso_resizeLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry("zrso_resizeLUNs", luns, count, osUtil, resizeLUNsBody);
}

ZRSO_EXPORT int zrso_mapLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry("zrso_mapLUNs", luns, count, osUtil, mapLUNsBody);
}

ZRSO_EXPORT int zrso_unmapLUNs(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry("zrso_unmapLUNs", luns, count, osUtil, unmapLUNsBody);
}

ZRSO_EXPORT int zrso_resolveLunsToUsers(ZRSO::LUNInfo** luns, short count,
                                        ZRSO::ZROSUtil* osUtil) {
    return RunProvisioningEntry("zrso_resolveLunsToUsers", luns, count, osUtil,
                                resolveLunsToUsersBody);
}

}  // extern "C"

// The host may call the overload directly, so it gets a frame of its own: an
// exception must not travel into the host. Mounting calls isMappedBody, not
// this, so its exceptions still end the mount through the mount's frame.
ZRSO_EXPORT int zrso_isMapped(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil,
                              std::list<std::string>& hostInitiators,
                              std::list<std::string>& esxInitiators) {
    return RunSnapshotEntry("ZRSnapEngineXIV::zrso_isMapped", infos, count, osUtil,
                            [&](ZRSO::SnapInfo** i, short c, ZRSO::ZROSUtil* o) {
                                return isMappedBody(i, c, o, hostInitiators, esxInitiators);
                            });
}
