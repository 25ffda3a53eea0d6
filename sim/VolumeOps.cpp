// vol_list, vol_create, vol_resize, vol_delete, vol_lock, vol_unlock.
#include "sim/Model.h"
#include "sim/Operation.h"
#include "sim/Text.h"

namespace sim {

namespace {

const KindDef kVolumeKind{"volume",
                          {{"name", "Name"},
                           {"size", "Size (GB)"},
                           {"size_MiB", "Size (MiB)"},
                           {"master_name", "Master Name"},
                           {"cg_name", "Consistency Group"},
                           {"pool_name", "Pool"},
                           {"creator", "Creator"},
                           {"capacity", "Capacity (blocks)"},
                           {"snapshot_time", "Snapshot Creation Time"},
                           {"locked", "Locked"},
                           {"serial", "Serial Number"},
                           {"snapshot_serial", "Snapshot Serial"},
                           {"sg_name", "Snapshot Group Name"},
                           {"wwn", "WWN"},
                           {"locked_by_pool", "Locked by Pool"},
                           {"used_capacity", "Used Capacity (GB)"},
                           {"used_capacity_MiB", "Used Capacity (MiB)"}}};

std::string yesNo(std::int64_t flag) { return flag ? "yes" : "no"; }

void requireWritable(const Volume& v) {
    if (v.locked) throw XcliError{"VOLUME_LOCKED", "Volume is locked"};
}

void requireMaster(const Volume& v) {
    if (v.isSnapshot())
        throw XcliError{"VOLUME_IS_SNAPSHOT", "Operation is not allowed on a snapshot"};
}

// size= in GB or size_blocks= in 512-byte blocks, either rounded up to whole units.
std::int64_t requestedSizeGb(const OpArgs& args) {
    if (args.has("size") == args.has("size_blocks"))
        throw XcliError{"BAD_PARAMS",
                        "Give the size either in GB (size) or in blocks (size_blocks)"};
    if (args.has("size")) return roundUpGb(args.number("size", 1, kMaxSizeGb));
    return gbOfBlocks(args.number("size_blocks", 1, kMaxSizeBlocks));
}

void setLocked(OpContext& ctx, bool locked) {
    OpArgs args(ctx.request.arguments, {{"vol", true}});
    Volume v = requireVolume(ctx.db, args.get("vol"));
    ctx.db.prepare("UPDATE volume SET locked = ? WHERE id = ?")
        .bind(1, static_cast<std::int64_t>(locked))
        .bind(2, v.id)
        .run();
}

}  // namespace

void opVolList(OpContext& ctx) {
    OpArgs args(ctx.request.arguments,
                {{"vol", false}, {"cg", false}, {"pool", false}, {"wwn", false}});
    // Older clients know no lookup by WWN.
    if (args.has("wwn") && ctx.array.refuseWwn)
        throw XcliError{"UNKNOWN_ARGUMENTS", "Unknown argument 'wwn'"};
    std::string sql =
        "SELECT v.name, v.size_gb, m.name, c.name, p.name, v.creator, v.created, v.locked, "
        "v.serial, v.snap_serial, g.name, v.wwn, p.locked, v.used_gb, v.master_id "
        "FROM volume v JOIN pool p ON p.id = v.pool_id LEFT JOIN volume m ON m.id = v.master_id "
        "LEFT JOIN cg c ON c.id = v.cg_id LEFT JOIN snap_group g ON g.id = v.sg_id WHERE 1";
    std::vector<std::string> binds;
    auto misses = [&](const char* key, std::int64_t (*require)(Db&, const std::string&)) {
        return args.has(key) &&
               filterMatchesNothing(ctx, kVolumeKind, [&]() { require(ctx.db, args.get(key)); });
    };
    if (misses("vol", [](Db& db, const std::string& n) { return requireVolume(db, n).id; }) ||
        misses("cg", requireCg) || misses("pool", requirePool))
        return;
    if (args.has("vol")) {
        sql += " AND v.name = ?";
        binds.push_back(args.get("vol"));
    }
    if (args.has("cg")) {
        sql += " AND c.name = ?";
        binds.push_back(args.get("cg"));
    }
    if (args.has("pool")) {
        sql += " AND p.name = ?";
        binds.push_back(args.get("pool"));
    }
    if (args.has("wwn")) {
        sql += " AND v.wwn = upper(?)";
        binds.push_back(args.get("wwn"));
    }
    sql += " ORDER BY v.id";
    ctx.answer.begin(kVolumeKind, ctx.request.fieldList);
    auto st = ctx.db.prepare(sql.c_str());
    for (size_t i = 0; i < binds.size(); ++i) st.bind(static_cast<int>(i + 1), binds[i]);
    std::vector<std::string> row(kVolumeKind.fields.size());
    while (st.step()) {
        std::int64_t size = st.i64(1), used = st.i64(13);
        bool snapshot = !st.isNull(14);
        row[0] = st.text(0);
        row[1] = std::to_string(size);
        row[2] = std::to_string(mibOfGb(size));
        row[3] = st.text(2);
        row[4] = st.text(3);
        row[5] = st.text(4);
        row[6] = st.text(5);
        row[7] = std::to_string(blocksOfGb(size));
        row[8] = snapshot ? st.text(6) : "";
        row[9] = yesNo(st.i64(7));
        row[10] = std::to_string(st.i64(8));
        row[11] = snapshot ? std::to_string(st.i64(9)) : "";
        row[12] = st.text(10);
        row[13] = ctx.array.shapes.lowerCaseWwn ? lowerText(st.text(11)) : st.text(11);
        row[14] = yesNo(st.i64(12));
        row[15] = std::to_string(used);
        row[16] = std::to_string(mibOfGb(used));
        ctx.answer.row(row);
    }
}

void opVolCreate(OpContext& ctx) {
    OpArgs args(ctx.request.arguments,
                {{"vol", true}, {"size", false}, {"size_blocks", false}, {"pool", true}});
    std::string name = args.name("vol");
    std::int64_t size = requestedSizeGb(args);
    std::int64_t pool = requirePool(ctx.db, args.get("pool"));
    createVolume(ctx.db, name, pool, size, ctx.request.user);
}

void opVolResize(OpContext& ctx) {
    OpArgs args(ctx.request.arguments,
                {{"vol", true}, {"size", false}, {"size_blocks", false}, {"shrink_volume", false}});
    Volume v = requireVolume(ctx.db, args.get("vol"));
    std::int64_t size = requestedSizeGb(args);
    bool shrink = args.yesNo("shrink_volume", false);
    requireMaster(v);
    requireWritable(v);
    if (size < v.sizeGb) {
        if (!shrink)
            throw XcliError{"CAN_NOT_SHRINK_VOLUME",
                            "Reducing the volume size requires shrink_volume=yes"};
        if (!ctx.request.confirmed)
            throw XcliError{"COMMAND_REQUIRES_CONFIRMATION",
                            "Shrinking a volume must be confirmed (-y)"};
    } else if (size > v.sizeGb) {
        PoolSpace space = poolSpace(ctx.db, v.poolId);
        std::int64_t grow = size - v.sizeGb;
        if (grow > space.emptySoftGb() || grow > space.emptyHardGb())
            throw XcliError{"NOT_ENOUGH_SPACE", "No space to allocate volume"};
    }
    ctx.db.prepare("UPDATE volume SET size_gb = ?, used_gb = MIN(used_gb, ?) WHERE id = ?")
        .bind(1, size)
        .bind(2, size)
        .bind(3, v.id)
        .run();
}

void opVolDelete(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"vol", true}});
    Volume v = requireVolume(ctx.db, args.get("vol"));
    requireMaster(v);
    auto mapped = ctx.db.prepare("SELECT 1 FROM mapping WHERE vol_id = ?");
    if (mapped.bind(1, v.id).step())
        throw XcliError{"VOLUME_IS_MAPPED", "Volume is mapped to a host"};
    if (v.cgId) throw XcliError{"VOLUME_BELONGS_TO_CG", "Volume belongs to a Consistency Group"};
    auto snapMapped = ctx.db.prepare(
        "SELECT 1 FROM mapping JOIN volume s ON s.id = mapping.vol_id WHERE s.master_id = ?");
    if (snapMapped.bind(1, v.id).step())
        throw XcliError{"SNAPSHOT_IS_MAPPED", "A snapshot of the volume is mapped"};
    // Deleting a volume takes its snapshots along, and snapshot groups left empty.
    ctx.db.prepare("DELETE FROM volume WHERE master_id = ?").bind(1, v.id).run();
    ctx.db.prepare("DELETE FROM volume WHERE id = ?").bind(1, v.id).run();
    ctx.db.exec(
        "DELETE FROM snap_group WHERE id NOT IN (SELECT sg_id FROM volume WHERE sg_id IS NOT "
        "NULL)");
}

void opVolLock(OpContext& ctx) { setLocked(ctx, true); }
void opVolUnlock(OpContext& ctx) { setLocked(ctx, false); }

}  // namespace sim
