// Consistency groups and snapshot groups.
#include <cstdio>

#include "sim/Model.h"
#include "sim/Operation.h"
#include "sim/Text.h"

namespace sim {

namespace {

const KindDef kCgKind{"cg", {{"name", "Name"}, {"mirrored", "Mirrored"}, {"pool", "Pool Name"}}};

const KindDef kSnapGroupKind{"snap_group",
                             {{"name", "Name"},
                              {"cg", "CG"},
                              {"snapshot_time", "Snapshot Time"},
                              {"locked", "Locked"},
                              {"modified", "Modified"},
                              {"delete_priority", "Deletion Priority"}}};

void requireNoMappedMembers(Db& db, std::int64_t sgId) {
    auto st = db.prepare(
        "SELECT 1 FROM mapping JOIN volume v ON v.id = mapping.vol_id WHERE v.sg_id = ?");
    if (st.bind(1, sgId).step())
        throw XcliError{"SNAPSHOT_IS_MAPPED", "A snapshot of the group is mapped"};
}

}  // namespace

void opCgList(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"cg", false}});
    std::string sql = "SELECT c.name, p.name FROM cg c JOIN pool p ON p.id = c.pool_id";
    if (args.has("cg")) {
        if (filterMatchesNothing(ctx, kCgKind, [&]() { requireCg(ctx.db, args.get("cg")); }))
            return;
        sql += " WHERE c.name = ?";
    }
    sql += " ORDER BY c.id";
    ctx.answer.begin(kCgKind, ctx.request.fieldList);
    auto st = ctx.db.prepare(sql.c_str());
    if (args.has("cg")) st.bind(1, args.get("cg"));
    while (st.step()) ctx.answer.row({st.text(0), "no", st.text(1)});
}

void opCgCreate(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"cg", true}, {"pool", true}});
    std::string name = args.name("cg");
    std::int64_t pool = requirePool(ctx.db, args.get("pool"));
    if (exists(ctx.db, "SELECT 1 FROM cg WHERE name = ?", name))
        throw XcliError{"CONS_GROUP_NAME_EXISTS", "Consistency Group name already exists"};
    ctx.db.prepare("INSERT INTO cg(name, pool_id) VALUES (?, ?)").bind(1, name).bind(2, pool).run();
}

void opCgDelete(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"cg", true}});
    std::int64_t cg = requireCg(ctx.db, args.get("cg"));
    auto members = ctx.db.prepare("SELECT 1 FROM volume WHERE cg_id = ?");
    if (members.bind(1, cg).step())
        throw XcliError{"CONS_GROUP_NOT_EMPTY", "Consistency Group still holds volumes"};
    ctx.db.prepare("DELETE FROM cg WHERE id = ?").bind(1, cg).run();
}

void opCgAddVol(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"cg", true}, {"vol", true}});
    std::int64_t cg = requireCg(ctx.db, args.get("cg"));
    Volume v = requireVolume(ctx.db, args.get("vol"));
    if (v.isSnapshot())
        throw XcliError{"VOLUME_IS_SNAPSHOT", "A snapshot cannot join a Consistency Group"};
    if (v.cgId)
        throw XcliError{"VOLUME_BELONGS_TO_CG", "Volume already belongs to a Consistency Group"};
    auto pool = ctx.db.prepare("SELECT pool_id FROM cg WHERE id = ?");
    pool.bind(1, cg).step();
    if (pool.i64(0) != v.poolId)
        throw XcliError{"VOLUME_BAD_POOL", "Volume and Consistency Group are in different pools"};
    ctx.db.prepare("UPDATE volume SET cg_id = ? WHERE id = ?").bind(1, cg).bind(2, v.id).run();
}

void opCgRemoveVol(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"vol", true}});
    Volume v = requireVolume(ctx.db, args.get("vol"));
    if (!v.cgId)
        throw XcliError{"VOLUME_NOT_IN_CONS_GROUP",
                        "Volume does not belong to a Consistency Group"};
    ctx.db.prepare("UPDATE volume SET cg_id = NULL WHERE id = ?").bind(1, v.id).run();
}

void opCgSnapshotsCreate(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"cg", true}, {"snap_group", false}});
    std::string cgName = args.get("cg");
    std::int64_t cg = requireCg(ctx.db, cgName);
    std::string sg;
    if (args.has("snap_group")) {
        sg = args.name("snap_group");
    } else {
        for (int n = 1; sg.empty(); ++n) {
            char buf[24];
            std::snprintf(buf, sizeof buf, ".snap_group_%05d", n);
            if (!exists(ctx.db, "SELECT 1 FROM snap_group WHERE name = ?", cgName + buf))
                sg = cgName + buf;
        }
    }
    if (exists(ctx.db, "SELECT 1 FROM snap_group WHERE name = ?", sg))
        throw XcliError{"SNAPSHOT_GROUP_NAME_EXISTS", "Snapshot Group name already exists"};
    std::vector<std::string> members;
    auto st = ctx.db.prepare("SELECT name FROM volume WHERE cg_id = ? ORDER BY id");
    st.bind(1, cg);
    while (st.step()) members.push_back(st.text(0));
    if (members.empty())
        throw XcliError{"CONS_GROUP_EMPTY",
                        "Operation is not allowed on an empty Consistency Group"};
    ctx.db.prepare("INSERT INTO snap_group(name, cg_id, cg_name, created) VALUES (?,?,?,?)")
        .bind(1, sg)
        .bind(2, cg)
        .bind(3, cgName)
        .bind(4, utcTimestamp())
        .run();
    std::int64_t sgId = ctx.db.lastId();
    // One snapshot per member, named after the group and the volume; all or none.
    for (const auto& member : members) {
        Volume v = requireVolume(ctx.db, member);
        createSnapshot(ctx.db, sg + "." + member, v, v.usedGb, sgId);
    }
}

void opSnapGroupList(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"snap_group", false}, {"cg", false}});
    std::string sql =
        "SELECT g.name, g.cg_name, g.created, "
        "(SELECT IFNULL(MIN(locked), 1) FROM volume WHERE sg_id = g.id) FROM snap_group g WHERE 1";
    std::vector<std::string> binds;
    if ((args.has("snap_group") &&
         filterMatchesNothing(ctx, kSnapGroupKind,
                              [&]() { requireSnapGroup(ctx.db, args.get("snap_group")); })) ||
        (args.has("cg") &&
         filterMatchesNothing(ctx, kSnapGroupKind, [&]() { requireCg(ctx.db, args.get("cg")); })))
        return;
    if (args.has("snap_group")) {
        sql += " AND g.name = ?";
        binds.push_back(args.get("snap_group"));
    }
    if (args.has("cg")) {
        sql += " AND g.cg_name = ?";
        binds.push_back(args.get("cg"));
    }
    sql += " ORDER BY g.id";
    ctx.answer.begin(kSnapGroupKind, ctx.request.fieldList);
    auto st = ctx.db.prepare(sql.c_str());
    for (size_t i = 0; i < binds.size(); ++i) st.bind(static_cast<int>(i + 1), binds[i]);
    while (st.step())
        ctx.answer.row({st.text(0), st.text(1), st.text(2), st.i64(3) ? "yes" : "no",
                        st.i64(3) ? "no" : "yes", "1"});
}

void opSnapGroupDisband(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"snap_group", true}});
    std::int64_t sg = requireSnapGroup(ctx.db, args.get("snap_group"));
    // The snapshots stay, each on its own.
    ctx.db.prepare("UPDATE volume SET sg_id = NULL WHERE sg_id = ?").bind(1, sg).run();
    ctx.db.prepare("DELETE FROM snap_group WHERE id = ?").bind(1, sg).run();
}

void opSnapGroupDelete(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"snap_group", true}});
    std::int64_t sg = requireSnapGroup(ctx.db, args.get("snap_group"));
    requireNoMappedMembers(ctx.db, sg);
    ctx.db.prepare("DELETE FROM volume WHERE sg_id = ?").bind(1, sg).run();
    ctx.db.prepare("DELETE FROM snap_group WHERE id = ?").bind(1, sg).run();
}

}  // namespace sim
