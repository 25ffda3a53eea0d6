// The function names that lines of more than one file carry, each named
// once: the entry points' own (frames and bodies log under them).
#pragma once

namespace tag {

constexpr char kIsSupported[] = "ZRSnapEngineXIV::zrso_isSupported";
constexpr char kPrepareDevices[] = "ZRSnapEngineXIV::zrso_prepareDevices";
constexpr char kUnprepareDevices[] = "ZRSnapEngineXIV::zrso_unprepareDevices";
constexpr char kSnapDevices[] = "ZRSnapEngineXIV::zrso_snapDevices";
constexpr char kReconcileSnaps[] = "ZRSnapEngineXIV::zrso_reconcileSnaps";
constexpr char kIsMapped[] = "ZRSnapEngineXIV::zrso_isMapped";
constexpr char kMapSnaps[] = "ZRSnapEngineXIV::zrso_mapSnaps";
constexpr char kUnmapSnaps[] = "ZRSnapEngineXIV::zrso_unmapSnaps";
constexpr char kDeleteSnaps[] = "ZRSnapEngineXIV::zrso_deleteSnaps";
constexpr char kRevertSnaps[] = "ZRSnapEngineXIV::zrso_revertSnaps";
constexpr char kGetArrayInfo[] = "ZRSnapEngineXIV::zrso_getArrayInfo";

constexpr char kCreateLUNs[] = "zrso_createLUNs";
constexpr char kDeleteLUNs[] = "zrso_deleteLUNs";
constexpr char kResizeLUNs[] = "zrso_resizeLUNs";
constexpr char kMapLUNs[] = "zrso_mapLUNs";
constexpr char kUnmapLUNs[] = "zrso_unmapLUNs";
constexpr char kResolveLunsToUsers[] = "zrso_resolveLunsToUsers";

}  // namespace tag
