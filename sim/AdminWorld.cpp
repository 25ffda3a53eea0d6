// xcli-sim commands that build and change an array's state.
#include <cctype>
#include <cstdio>

#include "sim/Admin.h"
#include "sim/ArrayStore.h"
#include "sim/Faults.h"
#include "sim/Holds.h"
#include "sim/Identity.h"
#include "sim/Model.h"
#include "sim/Text.h"

namespace sim {

namespace {

std::unique_ptr<Db> requireArray(const AdminArgs& args) {
    std::string address = args.get("address");
    auto db = openArray(address);
    if (!db) throw SimError("no array answers at '" + address + "'");
    return db;
}

void checkAddress(const std::string& address) {
    if (address.empty() || address.size() > 255) throw AdminUsage{"bad --address"};
    for (unsigned char c : address)
        if (c <= ' ' || c >= 0x7f) throw AdminUsage{"--address must be printable without blanks"};
}

// Names of the admin tool obey the array's own rules.
std::string checkedName(const AdminArgs& args, const char* key) {
    std::string name = args.get(key);
    if (name.empty() || name.size() > 63) throw AdminUsage{std::string("bad --") + key};
    for (unsigned char c : name)
        if (c < 0x20 || c > 0x7e) throw AdminUsage{std::string("--") + key + " must be printable"};
    return name;
}

// A logical unit's NAA name: 8 bytes (NAA 2, 3, 5) or 16 bytes (NAA 6, as
// XIV volumes carry), as hex digits; kept upper-case like the array's own.
std::string checkedWwn(const AdminArgs& args) {
    std::string wwn = upperText(args.get("wwn"));
    bool hex = wwn.find_first_not_of("0123456789ABCDEF") == std::string::npos;
    if (!hex || (wwn.size() != 16 && wwn.size() != 32))
        throw AdminUsage{"--wwn must be 16 or 32 hex digits"};
    return wwn;
}

}  // namespace

int adminArrayCreate(const AdminArgs& args) {
    std::string address = args.get("address"), serial = args.get("serial");
    checkAddress(address);
    if (!validArraySerial(serial)) throw AdminUsage{"--serial must be seven decimal digits"};
    auto users = args.all("user"), passwords = args.all("password");
    if (users.size() != passwords.size()) throw AdminUsage{"give one --password per --user"};
    if (users.empty()) {
        // An XIV array's factory login.
        users.push_back("admin");
        passwords.push_back("adminadmin");
    }
    for (const auto& other : arrayAddresses()) {
        auto db = openArray(other);
        if (db && readArrayInfo(*db).serial == serial)
            throw SimError("serial " + serial + " is taken by the array at " + other);
    }
    auto db = createArray(address, serial);
    Tx tx(*db, true);
    for (size_t i = 0; i < users.size(); ++i)
        db->prepare("INSERT OR REPLACE INTO user(name, password) VALUES (?, ?)")
            .bind(1, users[i])
            .bind(2, passwords[i])
            .run();
    tx.commit();
    return 0;
}

int adminUserAdd(const AdminArgs& args) {
    auto db = requireArray(args);
    db->prepare("INSERT OR REPLACE INTO user(name, password) VALUES (?, ?)")
        .bind(1, args.get("user"))
        .bind(2, args.get("password"))
        .run();
    return 0;
}

int adminPoolCreate(const AdminArgs& args) {
    auto db = requireArray(args);
    std::string name = checkedName(args, "pool");
    std::int64_t size = roundUpGb(args.number("size-gb", 1, kMaxSizeGb));
    std::int64_t snap = roundUpGb(args.numberOr("snapshot-size-gb", 0, 0, kMaxSizeGb));
    if (snap > size) throw AdminUsage{"--snapshot-size-gb exceeds --size-gb"};
    Tx tx(*db, true);
    if (exists(*db, "SELECT 1 FROM pool WHERE name = ?", name))
        throw XcliError{"POOL_NAME_EXISTS", "Pool name already exists"};
    db->prepare("INSERT INTO pool(name, hard_gb, soft_gb, snapshot_gb) VALUES (?,?,?,?)")
        .bind(1, name)
        .bind(2, size)
        .bind(3, size)
        .bind(4, snap)
        .run();
    tx.commit();
    return 0;
}

int adminVolCreate(const AdminArgs& args) {
    auto db = requireArray(args);
    std::string name = checkedName(args, "vol");
    std::int64_t size = roundUpGb(args.number("size-gb", 1, kMaxSizeGb));
    std::string wwn = args.has("wwn") ? checkedWwn(args) : std::string();
    Tx tx(*db, true);
    createVolume(*db, name, requirePool(*db, args.get("pool")), size, "admin", wwn);
    tx.commit();
    return 0;
}

int adminVolWrite(const AdminArgs& args) {
    auto db = requireArray(args);
    Tx tx(*db, true);
    Volume v = requireVolume(*db, args.get("vol"));
    if (v.isSnapshot()) throw XcliError{"VOLUME_IS_SNAPSHOT", "Snapshots are not written to"};
    std::int64_t used = args.number("used-gb", 0, v.sizeGb);
    db->prepare("UPDATE volume SET used_gb = ? WHERE id = ?").bind(1, used).bind(2, v.id).run();
    tx.commit();
    return 0;
}

int adminVolBulk(const AdminArgs& args) {
    auto db = requireArray(args);
    std::int64_t pools = args.number("pools", 1, 100000);
    std::int64_t vols = args.number("vols", 0, 10000000);
    std::int64_t size = roundUpGb(args.numberOr("size-gb", kAllocationGb, 1, kMaxSizeGb));
    std::string prefix = args.getOr("prefix", "bulk");
    std::int64_t perPool = (vols + pools - 1) / pools;
    Tx tx(*db, true);
    ArrayInfo info = readArrayInfo(*db);
    std::vector<std::int64_t> poolIds;
    auto addPool =
        db->prepare("INSERT INTO pool(name, hard_gb, soft_gb, snapshot_gb) VALUES (?,?,?,?)");
    for (std::int64_t i = 1; i <= pools; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "_pool_%04lld", static_cast<long long>(i));
        std::string name = prefix + buf;
        if (exists(*db, "SELECT 1 FROM pool WHERE name = ?", name))
            throw XcliError{"POOL_NAME_EXISTS", "Pool " + name + " already exists"};
        // Room for every volume twice over, and as much again for snapshots.
        std::int64_t snapshotGb = perPool * size + kAllocationGb;
        addPool.bind(1, name).bind(2, 3 * snapshotGb).bind(3, 3 * snapshotGb).bind(4, snapshotGb);
        addPool.run();
        poolIds.push_back(db->lastId());
    }
    auto next = db->prepare("SELECT next_vol_serial FROM array WHERE id = 1");
    next.step();
    std::int64_t serial = next.i64(0);
    std::string created = utcTimestamp();
    auto addVol = db->prepare(
        "INSERT INTO volume(name, serial, wwn, pool_id, size_gb, created, creator) "
        "VALUES (?,?,?,?,?,?,'admin')");
    for (std::int64_t j = 1; j <= vols; ++j, ++serial) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "_vol_%06lld", static_cast<long long>(j));
        addVol.bind(1, prefix + buf)
            .bind(2, serial)
            .bind(3, volumeWwn(info.serial, serial))
            .bind(4, poolIds[static_cast<size_t>((j - 1) % pools)])
            .bind(5, size)
            .bind(6, created);
        addVol.run();
    }
    db->prepare("UPDATE array SET next_vol_serial = ?").bind(1, serial).run();
    tx.commit();
    return 0;
}

int adminHostCreate(const AdminArgs& args) {
    auto db = requireArray(args);
    std::string name = checkedName(args, "host");
    Tx tx(*db, true);
    std::int64_t host = defineHost(*db, name);
    for (const auto& p : args.list("fc")) addHostPort(*db, host, p, false);
    for (const auto& p : args.list("iscsi")) addHostPort(*db, host, p, true);
    tx.commit();
    return 0;
}

int adminMap(const AdminArgs& args) {
    auto db = requireArray(args);
    Tx tx(*db, true);
    std::int64_t host = requireHost(*db, args.get("host"));
    Volume v = requireVolume(*db, args.get("vol"));
    std::int64_t lun = args.has("lun") ? args.number("lun", 0, 511) : freeLun(*db, host);
    if (lun > 511) throw XcliError{"EXT_LUN_ILLEGAL", "no free LUN left on the host"};
    mapVolume(*db, host, v.id, lun);
    tx.commit();
    std::printf("%lld\n", static_cast<long long>(lun));
    return 0;
}

int adminPortLogin(const AdminArgs& args) {
    auto db = requireArray(args);
    std::string port = args.get("port");
    if (classifyPort(port) == PortKind::Bad)
        throw AdminUsage{"--port must be a Fibre Channel WWPN or an iSCSI name"};
    if (args.flag("off"))
        db->prepare("DELETE FROM login WHERE norm = ?").bind(1, normalPort(port)).run();
    else
        db->prepare("INSERT OR IGNORE INTO login(norm) VALUES (?)").bind(1, normalPort(port)).run();
    return 0;
}

int adminRefuseWwn(const AdminArgs& args) {
    auto db = requireArray(args);
    db->prepare("UPDATE array SET refuse_wwn = ?")
        .bind(1, std::int64_t{args.flag("off") ? 0 : 1})
        .run();
    return 0;
}

int adminShape(const AdminArgs& args) {
    auto db = requireArray(args);
    if (args.has("set")) {
        std::string text = args.get("set") == "default" ? "" : args.get("set");
        AnswerShapes shapes;
        if (!parseShapes(text, shapes))
            throw AdminUsage{"--set takes 'default' or some of: " + joinText(shapeNames(), ", ")};
        db->prepare("UPDATE array SET shapes = ?").bind(1, shapesText(shapes)).run();
    }
    std::string now = shapesText(readArrayInfo(*db).shapes);
    std::printf("%s\n", now.empty() ? "default" : now.c_str());
    return 0;
}

int adminFault(const AdminArgs& args) {
    auto db = requireArray(args);
    Fault f;
    f.kind = args.get("kind");
    if (!validFaultKind(f.kind)) throw AdminUsage{"unknown fault kind '" + f.kind + "'"};
    f.remaining = args.numberOr("count", 1, 1, 1000000000);
    f.op = args.getOr("op", "");
    if (f.kind == "fail") {
        f.status = args.get("status");
        for (char c : f.status)
            if (!(std::isupper(static_cast<unsigned char>(c)) ||
                  std::isdigit(static_cast<unsigned char>(c)) || c == '_'))
                throw AdminUsage{"--status must be an upper-case status name"};
        if (f.status.empty()) throw AdminUsage{"--status must not be empty"};
    }
    if (f.kind == "hang" && !parseSeconds(args.get("seconds"), f.seconds))
        throw AdminUsage{"--seconds must be a number of seconds"};
    if (f.kind == "exit") f.code = static_cast<int>(args.numberOr("code", 1, 0, 255));
    if (f.kind == "truncate") f.bytes = args.number("bytes", 0, 1000000000);
    addFault(*db, f);
    return 0;
}

int adminFaultClear(const AdminArgs& args) {
    auto db = requireArray(args);
    clearFaults(*db);
    return 0;
}

int adminHold(const AdminArgs& args) {
    auto db = requireArray(args);
    armHold(*db, args.getOr("op", ""), args.numberOr("nth", 1, 1, 1000000000));
    return 0;
}

int adminHeld(const AdminArgs& args) {
    auto db = requireArray(args);
    double seconds = 30;
    if (args.has("seconds") && !parseSeconds(args.get("seconds"), seconds))
        throw AdminUsage{"--seconds must be a number of seconds"};
    HeldRun run;
    if (!waitForHeld(*db, seconds, run)) throw SimError("no run is held");
    std::printf("%lld\t%s\t%s\n", static_cast<long long>(run.pid),
                escapeField(run.operation).c_str(), escapeField(run.arguments).c_str());
    return 0;
}

int adminRelease(const AdminArgs& args) {
    auto db = requireArray(args);
    releaseHolds(*db);
    return 0;
}

}  // namespace sim
