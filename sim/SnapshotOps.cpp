// snapshot_create, snapshot_duplicate, snapshot_restore, snapshot_delete.
#include <cstdio>

#include "sim/Model.h"
#include "sim/Operation.h"

namespace sim {

namespace {

Volume requireSnapshot(Db& db, const std::string& name) {
    Volume s = requireVolume(db, name);
    if (!s.isSnapshot())
        throw XcliError{"VOLUME_IS_NOT_A_SNAPSHOT", "Operation is allowed only on a snapshot"};
    return s;
}

void requireOutsideGroup(const Volume& s) {
    if (s.sgId)
        throw XcliError{"SNAPSHOT_IS_PART_OF_SNAPSHOT_GROUP",
                        "Snapshot is part of a Snapshot Group"};
}

// The array's own name for an unnamed snapshot: "<volume>.snapshot_NNNNN".
std::string autoName(Db& db, const std::string& base) {
    for (int n = 1;; ++n) {
        char buf[24];
        std::snprintf(buf, sizeof buf, ".snapshot_%05d", n);
        std::string name = base + buf;
        if (!exists(db, "SELECT 1 FROM volume WHERE name = ?", name)) return name;
    }
}

}  // namespace

void opSnapshotCreate(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"vol", true}, {"name", false}});
    Volume master = requireVolume(ctx.db, args.get("vol"));
    if (master.isSnapshot())
        throw XcliError{"VOLUME_IS_SNAPSHOT",
                        "It is not possible to take a snapshot of a snapshot"};
    std::string name = args.has("name") ? args.name("name") : autoName(ctx.db, master.name);
    createSnapshot(ctx.db, name, master, master.usedGb, 0);
}

void opSnapshotDuplicate(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"snapshot", true}, {"name", false}});
    Volume source = requireSnapshot(ctx.db, args.get("snapshot"));
    Volume master;
    if (!findVolumeById(ctx.db, source.masterId, master)) throw SimError("snapshot without master");
    std::string name = args.has("name") ? args.name("name") : autoName(ctx.db, master.name);
    // The duplicate holds the same point in time as its source.
    createSnapshot(ctx.db, name, master, source.usedGb, 0);
}

void opSnapshotRestore(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"snapshot", true}});
    Volume s = requireSnapshot(ctx.db, args.get("snapshot"));
    requireOutsideGroup(s);
    ctx.db.prepare("UPDATE volume SET used_gb = ? WHERE id = ?")
        .bind(1, s.usedGb)
        .bind(2, s.masterId)
        .run();
}

void opSnapshotDelete(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"snapshot", true}});
    Volume s = requireSnapshot(ctx.db, args.get("snapshot"));
    auto mapped = ctx.db.prepare("SELECT 1 FROM mapping WHERE vol_id = ?");
    if (mapped.bind(1, s.id).step()) throw XcliError{"SNAPSHOT_IS_MAPPED", "Snapshot is mapped"};
    requireOutsideGroup(s);
    ctx.db.prepare("DELETE FROM volume WHERE id = ?").bind(1, s.id).run();
}

}  // namespace sim
