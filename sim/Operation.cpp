#include "sim/Operation.h"

namespace sim {

namespace {
const OpDef kOperations[] = {
    {"vol_list", opVolList, false, false},
    {"vol_create", opVolCreate, true, false},
    {"vol_resize", opVolResize, true, false},  // asks for -y itself when shrinking
    {"vol_delete", opVolDelete, true, true},
    {"vol_lock", opVolLock, true, false},
    {"vol_unlock", opVolUnlock, true, false},
    {"snapshot_create", opSnapshotCreate, true, false},
    {"snapshot_duplicate", opSnapshotDuplicate, true, false},
    {"snapshot_restore", opSnapshotRestore, true, true},
    {"snapshot_delete", opSnapshotDelete, true, true},
    {"cg_list", opCgList, false, false},
    {"cg_create", opCgCreate, true, false},
    {"cg_delete", opCgDelete, true, true},
    {"cg_add_vol", opCgAddVol, true, false},
    {"cg_remove_vol", opCgRemoveVol, true, true},
    {"cg_snapshots_create", opCgSnapshotsCreate, true, false},
    {"snap_group_list", opSnapGroupList, false, false},
    {"snap_group_disband", opSnapGroupDisband, true, true},
    {"snap_group_delete", opSnapGroupDelete, true, true},
    {"host_list", opHostList, false, false},
    {"host_define", opHostDefine, true, false},
    {"host_add_port", opHostAddPort, true, false},
    {"host_remove_port", opHostRemovePort, true, true},
    {"host_delete", opHostDelete, true, true},
    {"host_connectivity_list", opHostConnectivityList, false, false},
    {"mapping_list", opMappingList, false, false},
    {"vol_mapping_list", opVolMappingList, false, false},
    {"map_vol", opMapVol, true, false},
    {"unmap_vol", opUnmapVol, true, true},
    {"pool_list", opPoolList, false, false},
    {"config_get", opConfigGet, false, false},
};
}  // namespace

bool filterMatchesNothing(OpContext& ctx, const KindDef& kind,
                          const std::function<void()>& require) {
    try {
        require();
        return false;
    } catch (const XcliError&) {
        if (!ctx.array.shapes.emptyListings) throw;
    }
    ctx.answer.begin(kind, ctx.request.fieldList);
    return true;
}

const OpDef* findOperation(const std::string& name) {
    for (const auto& op : kOperations)
        if (name == op.name) return &op;
    return nullptr;
}

}  // namespace sim
