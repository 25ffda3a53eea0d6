// pool_list: every size of a pool in GB and MiB, kept from the volumes.
#include "sim/Model.h"
#include "sim/Operation.h"

namespace sim {

namespace {
const KindDef kPoolKind{"pool",
                        {{"name", "Name"},
                         {"id", "Id"},
                         {"size", "Size (GB)"},
                         {"soft_size", "Soft Size (GB)"},
                         {"soft_size_MiB", "Soft Size (MiB)"},
                         {"hard_size", "Hard Size (GB)"},
                         {"hard_size_MiB", "Hard Size (MiB)"},
                         {"snapshot_size", "Snap Size (GB)"},
                         {"snapshot_size_MiB", "Snap Size (MiB)"},
                         {"used_by_volumes", "Used by Volumes (GB)"},
                         {"used_by_volumes_MiB", "Used by Volumes (MiB)"},
                         {"used_by_snapshots", "Used by Snapshots (GB)"},
                         {"used_by_snapshots_MiB", "Used by Snapshots (MiB)"},
                         {"empty_space", "Empty Space (GB)"},
                         {"empty_space_soft", "Empty Soft Space (GB)"},
                         {"empty_space_soft_MiB", "Empty Soft Space (MiB)"},
                         {"empty_space_hard", "Empty Hard Space (GB)"},
                         {"empty_space_hard_MiB", "Empty Hard Space (MiB)"},
                         {"locked", "Locked"},
                         {"lock_behavior", "Lock Behavior"}}};

// Arrays of an older kind: sizes in GB only, without the soft/hard split.
const KindDef kPoolSizeOnlyKind{"pool",
                                {{"name", "Name"},
                                 {"id", "Id"},
                                 {"size", "Size (GB)"},
                                 {"snapshot_size", "Snap Size (GB)"},
                                 {"used_by_volumes", "Used by Volumes (GB)"},
                                 {"used_by_snapshots", "Used by Snapshots (GB)"},
                                 {"empty_space", "Empty Space (GB)"},
                                 {"locked", "Locked"},
                                 {"lock_behavior", "Lock Behavior"}}};

std::string gb(std::int64_t v) { return std::to_string(v); }
std::string mib(std::int64_t v) { return std::to_string(mibOfGb(v)); }
}  // namespace

void opPoolList(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"pool", false}});
    const bool sizeOnly = ctx.array.shapes.poolSizeOnly;
    const KindDef& kind = sizeOnly ? kPoolSizeOnlyKind : kPoolKind;
    std::vector<std::pair<std::int64_t, std::string>> pools;
    if (args.has("pool")) {
        std::int64_t id = 0;
        if (filterMatchesNothing(ctx, kind, [&]() { id = requirePool(ctx.db, args.get("pool")); }))
            return;
        pools.emplace_back(id, args.get("pool"));
    } else {
        auto st = ctx.db.prepare("SELECT id, name FROM pool ORDER BY id");
        while (st.step()) pools.emplace_back(st.i64(0), st.text(1));
    }
    ctx.answer.begin(kind, ctx.request.fieldList);
    for (const auto& p : pools) {
        PoolSpace s = poolSpace(ctx.db, p.first);
        const char* locked = s.locked ? "yes" : "no";
        if (sizeOnly) {
            ctx.answer.row({p.second, std::to_string(p.first), gb(s.softGb), gb(s.snapshotGb),
                            gb(s.usedByVolumesGb), gb(s.usedBySnapshotsGb), gb(s.emptySoftGb()),
                            locked, "read_only"});
            continue;
        }
        ctx.answer.row({p.second,
                        std::to_string(p.first),
                        gb(s.softGb),
                        gb(s.softGb),
                        mib(s.softGb),
                        gb(s.hardGb),
                        mib(s.hardGb),
                        gb(s.snapshotGb),
                        mib(s.snapshotGb),
                        gb(s.usedByVolumesGb),
                        mib(s.usedByVolumesGb),
                        gb(s.usedBySnapshotsGb),
                        mib(s.usedBySnapshotsGb),
                        gb(s.emptySoftGb()),
                        gb(s.emptySoftGb()),
                        mib(s.emptySoftGb()),
                        gb(s.emptyHardGb()),
                        mib(s.emptyHardGb()),
                        locked,
                        "read_only"});
    }
}

}  // namespace sim
