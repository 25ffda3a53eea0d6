#include "sim/Model.h"

#include "sim/ArrayStore.h"
#include "sim/Identity.h"
#include "sim/Text.h"

namespace sim {

std::int64_t roundUpGb(std::int64_t gb) {
    return ((gb + kAllocationGb - 1) / kAllocationGb) * kAllocationGb;
}

std::int64_t gbOfBlocks(std::int64_t blocks) {
    return ((blocks + kUnitBlocks - 1) / kUnitBlocks) * kAllocationGb;
}

std::int64_t mibOfGb(std::int64_t gb) {
    return gb / kAllocationGb * kUnitMiB + gb % kAllocationGb * kUnitMiB / kAllocationGb;
}

std::int64_t blocksOfGb(std::int64_t gb) {
    return gb / kAllocationGb * kUnitBlocks + gb % kAllocationGb * kUnitBlocks / kAllocationGb;
}

std::int64_t bytesOfGb(std::int64_t gb) { return blocksOfGb(gb) * 512; }

namespace {
const char* kVolumeColumns =
    "SELECT id, serial, pool_id, size_gb, used_gb, IFNULL(master_id, 0), IFNULL(cg_id, 0), "
    "IFNULL(sg_id, 0), locked, name, wwn FROM volume ";

Volume readVolume(const Stmt& st) {
    Volume v;
    v.id = st.i64(0);
    v.serial = st.i64(1);
    v.poolId = st.i64(2);
    v.sizeGb = st.i64(3);
    v.usedGb = st.i64(4);
    v.masterId = st.i64(5);
    v.cgId = st.i64(6);
    v.sgId = st.i64(7);
    v.locked = st.i64(8) != 0;
    v.name = st.text(9);
    v.wwn = st.text(10);
    return v;
}

std::int64_t requireId(Db& db, const char* sql, const std::string& name, const char* status,
                       const std::string& description) {
    auto st = db.prepare(sql);
    st.bind(1, name);
    if (!st.step()) throw XcliError{status, description};
    return st.i64(0);
}

std::int64_t nextCounter(Db& db, const char* column) {
    std::string sql = std::string("SELECT ") + column + " FROM array WHERE id = 1";
    auto st = db.prepare(sql.c_str());
    st.step();
    std::int64_t value = st.i64(0);
    std::string upd = std::string("UPDATE array SET ") + column + " = " + column + " + 1";
    db.exec(upd.c_str());
    return value;
}

std::int64_t insertVolume(Db& db, const std::string& name, std::int64_t poolId, std::int64_t sizeGb,
                          std::int64_t usedGb, bool locked, std::int64_t masterId,
                          std::int64_t snapSerial, std::int64_t sgId, const std::string& creator,
                          std::string wwn = std::string()) {
    std::string serialText = readArrayInfo(db).serial;
    std::int64_t serial = nextCounter(db, "next_vol_serial");
    if (wwn.empty()) {
        wwn = volumeWwn(serialText, serial);
        // A volume made with a given WWN may hold the one this serial would get.
        while (exists(db, "SELECT 1 FROM volume WHERE wwn = ?", wwn)) {
            serial = nextCounter(db, "next_vol_serial");
            wwn = volumeWwn(serialText, serial);
        }
    }
    auto st = db.prepare(
        "INSERT INTO volume(name, serial, wwn, pool_id, size_gb, used_gb, locked, master_id, "
        "snap_serial, sg_id, created, creator) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
    st.bind(1, name).bind(2, serial).bind(3, wwn).bind(4, poolId);
    st.bind(5, sizeGb).bind(6, usedGb).bind(7, static_cast<std::int64_t>(locked));
    if (masterId) {
        st.bind(8, masterId).bind(9, snapSerial);
    } else {
        st.bindNull(8).bindNull(9);
    }
    if (sgId) {
        st.bind(10, sgId);
    } else {
        st.bindNull(10);
    }
    st.bind(11, utcTimestamp()).bind(12, creator);
    st.run();
    return db.lastId();
}
}  // namespace

bool findVolume(Db& db, const std::string& name, Volume& out) {
    auto st = db.prepare((std::string(kVolumeColumns) + "WHERE name = ?").c_str());
    st.bind(1, name);
    if (!st.step()) return false;
    out = readVolume(st);
    return true;
}

bool findVolumeById(Db& db, std::int64_t id, Volume& out) {
    auto st = db.prepare((std::string(kVolumeColumns) + "WHERE id = ?").c_str());
    st.bind(1, id);
    if (!st.step()) return false;
    out = readVolume(st);
    return true;
}

Volume requireVolume(Db& db, const std::string& name) {
    Volume v;
    if (!findVolume(db, name, v)) throw XcliError{"VOLUME_BAD_NAME", "Volume name does not exist"};
    return v;
}

std::int64_t requirePool(Db& db, const std::string& name) {
    return requireId(db, "SELECT id FROM pool WHERE name = ?", name, "POOL_DOES_NOT_EXIST",
                     "Storage Pool does not exist");
}

std::int64_t requireHost(Db& db, const std::string& name) {
    return requireId(db, "SELECT id FROM host WHERE name = ?", name, "HOST_BAD_NAME",
                     "Host name does not exist");
}

std::int64_t requireCg(Db& db, const std::string& name) {
    return requireId(db, "SELECT id FROM cg WHERE name = ?", name, "CONS_GROUP_BAD_NAME",
                     "Consistency Group name does not exist");
}

std::int64_t requireSnapGroup(Db& db, const std::string& name) {
    return requireId(db, "SELECT id FROM snap_group WHERE name = ?", name,
                     "SNAPSHOT_GROUP_BAD_NAME", "Snapshot Group name does not exist");
}

bool exists(Db& db, const char* sql, const std::string& name) {
    auto st = db.prepare(sql);
    st.bind(1, name);
    return st.step();
}

void requireFreeVolumeName(Db& db, const std::string& name) {
    if (exists(db, "SELECT 1 FROM volume WHERE name = ?", name))
        throw XcliError{"VOLUME_EXISTS", "Volume name already exists"};
}

PoolSpace poolSpace(Db& db, std::int64_t poolId) {
    PoolSpace p;
    auto st = db.prepare(
        "SELECT id, hard_gb, soft_gb, snapshot_gb, locked, "
        "(SELECT IFNULL(SUM(size_gb), 0) FROM volume WHERE pool_id = pool.id AND master_id IS "
        "NULL), "
        "(SELECT IFNULL(SUM(used_gb), 0) FROM volume WHERE pool_id = pool.id AND master_id IS NOT "
        "NULL) "
        "FROM pool WHERE id = ?");
    st.bind(1, poolId);
    if (!st.step()) throw SimError("pool record missing");
    p.id = st.i64(0);
    p.hardGb = st.i64(1);
    p.softGb = st.i64(2);
    p.snapshotGb = st.i64(3);
    p.locked = st.i64(4) != 0;
    p.usedByVolumesGb = st.i64(5);
    p.usedBySnapshotsGb = st.i64(6);
    return p;
}

std::int64_t createVolume(Db& db, const std::string& name, std::int64_t poolId, std::int64_t sizeGb,
                          const std::string& creator, const std::string& wwn) {
    requireFreeVolumeName(db, name);
    if (!wwn.empty() && exists(db, "SELECT 1 FROM volume WHERE wwn = ?", wwn))
        throw XcliError{"VOLUME_EXISTS", "A volume with WWN " + wwn + " already exists"};
    PoolSpace space = poolSpace(db, poolId);
    if (sizeGb > space.emptySoftGb() || sizeGb > space.emptyHardGb())
        throw XcliError{"NOT_ENOUGH_SPACE", "No space to allocate volume"};
    return insertVolume(db, name, poolId, sizeGb, 0, false, 0, 0, 0, creator, wwn);
}

std::int64_t createSnapshot(Db& db, const std::string& name, const Volume& master,
                            std::int64_t chargeGb, std::int64_t sgId) {
    requireFreeVolumeName(db, name);
    PoolSpace space = poolSpace(db, master.poolId);
    if (space.usedBySnapshotsGb + chargeGb > space.snapshotGb)
        throw XcliError{"POOL_SNAPSHOT_LIMIT_REACHED",
                        "There is not enough space to create a snapshot"};
    std::int64_t snapSerial = nextCounter(db, "next_snap_serial");
    return insertVolume(db, name, master.poolId, master.sizeGb, chargeGb, true, master.id,
                        snapSerial, sgId, "admin");
}

void mapVolume(Db& db, std::int64_t hostId, std::int64_t volId, std::int64_t lun) {
    auto st = db.prepare("SELECT lun FROM mapping WHERE host_id = ? AND vol_id = ?");
    st.bind(1, hostId).bind(2, volId);
    if (st.step())
        throw XcliError{"VOLUME_ALREADY_ASSIGNED", "Volume is already mapped to this host at LUN " +
                                                       std::to_string(st.i64(0))};
    auto used = db.prepare("SELECT 1 FROM mapping WHERE host_id = ? AND lun = ?");
    used.bind(1, hostId).bind(2, lun);
    if (used.step()) throw XcliError{"LUN_ALREADY_IN_USE", "LUN is already in use"};
    db.prepare("INSERT INTO mapping(host_id, vol_id, lun) VALUES (?,?,?)")
        .bind(1, hostId)
        .bind(2, volId)
        .bind(3, lun)
        .run();
}

std::int64_t freeLun(Db& db, std::int64_t hostId) {
    auto st = db.prepare("SELECT lun FROM mapping WHERE host_id = ? ORDER BY lun");
    st.bind(1, hostId);
    std::int64_t lun = 1;
    while (st.step()) {
        if (st.i64(0) == lun)
            ++lun;
        else if (st.i64(0) > lun)
            break;
    }
    return lun;
}

std::int64_t defineHost(Db& db, const std::string& name) {
    if (exists(db, "SELECT 1 FROM host WHERE name = ?", name))
        throw XcliError{"HOST_NAME_EXISTS", "Host name already exists"};
    db.prepare("INSERT INTO host(name) VALUES (?)").bind(1, name).run();
    return db.lastId();
}

void addHostPort(Db& db, std::int64_t hostId, const std::string& port, bool iscsi) {
    if (iscsi ? !validIscsiPort(port) : !validFcPort(port))
        throw XcliError{"ILLEGAL_PORT_NAME", "Port name '" + port + "' is not a valid " +
                                                 (iscsi ? "iSCSI name" : "FC address")};
    std::string norm = normalPort(port);
    if (exists(db, "SELECT 1 FROM port WHERE norm = ?", norm))
        throw XcliError{"HOST_PORT_EXISTS", "Host with this port ID already defined"};
    db.prepare("INSERT INTO port(host_id, kind, norm) VALUES (?,?,?)")
        .bind(1, hostId)
        .bind(2, std::string(iscsi ? "ISCSI" : "FC"))
        .bind(3, norm)
        .run();
}

}  // namespace sim
