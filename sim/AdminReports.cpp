// xcli-sim commands that report: disks, export-disks, runs, show.
#include <cctype>
#include <cstdio>

#include "sim/Admin.h"
#include "sim/ArrayStore.h"
#include "sim/Disks.h"
#include "sim/Model.h"
#include "sim/RunLog.h"
#include "sim/Text.h"

namespace sim {

int adminDisks(const AdminArgs& args) {
    auto ports = args.list("ports");
    if (ports.empty()) throw AdminUsage{"missing --ports"};
    auto disks = visibleDisks(ports);
    if (args.flag("json")) {
        std::printf("[");
        for (size_t i = 0; i < disks.size(); ++i)
            std::printf("%s%s", i ? ",\n " : "", diskJson(disks[i], "").c_str());
        std::printf("]\n");
    } else {
        for (const auto& d : disks) std::printf("%s\n", diskLine(d).c_str());
    }
    return 0;
}

int adminExportDisks(const AdminArgs& args) {
    auto ports = args.list("ports");
    if (ports.empty()) throw AdminUsage{"missing --ports"};
    std::string prefix = args.getOr("prefix", "xivd");
    for (char c : prefix)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-'))
            throw AdminUsage{"--prefix may hold letters, digits, '_' and '-' only"};
    for (const auto& c : exportDisks(ports, args.get("catalog"), prefix))
        std::printf("%s\t%s\n", c.name.c_str(), diskLine(c.disk).c_str());
    return 0;
}

int adminRuns(const AdminArgs& args) {
    std::string address = args.getOr("address", "");
    if (args.flag("clear")) {
        clearRuns(address);
        return 0;
    }
    for (const auto& line : listRuns(address)) std::printf("%s\n", line.c_str());
    return 0;
}

int adminShow(const AdminArgs& args) {
    std::string address = args.get("address");
    auto db = openArray(address);
    if (!db) throw SimError("no array answers at '" + address + "'");
    Tx tx(*db, false);
    ArrayInfo info = readArrayInfo(*db);
    std::string shapes = shapesText(info.shapes);
    std::printf("array %s serial %s%s%s%s\n", info.address.c_str(), info.serial.c_str(),
                info.refuseWwn ? " (refuses vol_list wwn=)" : "",
                shapes.empty() ? "" : " answer shapes ", shapes.c_str());
    auto users = db->prepare("SELECT name FROM user ORDER BY name");
    while (users.step()) std::printf("user %s\n", users.text(0).c_str());
    auto pools = db->prepare("SELECT id, name FROM pool ORDER BY id");
    while (pools.step()) {
        PoolSpace s = poolSpace(*db, pools.i64(0));
        std::printf(
            "pool %s hard %lld GB snapshot reserve %lld GB used by volumes %lld GB "
            "by snapshots %lld GB empty %lld GB\n",
            pools.text(1).c_str(), static_cast<long long>(s.hardGb),
            static_cast<long long>(s.snapshotGb), static_cast<long long>(s.usedByVolumesGb),
            static_cast<long long>(s.usedBySnapshotsGb), static_cast<long long>(s.emptyHardGb()));
    }
    auto vols = db->prepare(
        "SELECT v.name, v.size_gb, v.used_gb, v.locked, IFNULL(m.name, ''), IFNULL(c.name, ''), "
        "IFNULL(g.name, ''), v.wwn, p.name FROM volume v JOIN pool p ON p.id = v.pool_id "
        "LEFT JOIN volume m ON m.id = v.master_id LEFT JOIN cg c ON c.id = v.cg_id "
        "LEFT JOIN snap_group g ON g.id = v.sg_id ORDER BY v.id");
    while (vols.step())
        std::printf("volume %s %lld GB used %lld pool %s%s%s%s%s%s%s%s wwn %s\n",
                    vols.text(0).c_str(), static_cast<long long>(vols.i64(1)),
                    static_cast<long long>(vols.i64(2)), vols.text(8).c_str(),
                    vols.i64(3) ? " locked" : "", vols.text(4).empty() ? "" : " snapshot of ",
                    vols.text(4).c_str(), vols.text(5).empty() ? "" : " cg ", vols.text(5).c_str(),
                    vols.text(6).empty() ? "" : " snap_group ", vols.text(6).c_str(),
                    vols.text(7).c_str());
    auto cgs = db->prepare("SELECT name FROM cg ORDER BY id");
    while (cgs.step()) std::printf("cg %s\n", cgs.text(0).c_str());
    auto hosts = db->prepare(
        "SELECT h.name, IFNULL((SELECT group_concat(norm || CASE WHEN norm IN (SELECT norm FROM "
        "login) "
        "THEN '(logged in)' ELSE '' END, ' ') FROM port WHERE host_id = h.id), '') FROM host h "
        "ORDER BY h.id");
    while (hosts.step())
        std::printf("host %s ports %s\n", hosts.text(0).c_str(), hosts.text(1).c_str());
    auto maps = db->prepare(
        "SELECT h.name, m.lun, v.name FROM mapping m JOIN host h ON h.id = m.host_id "
        "JOIN volume v ON v.id = m.vol_id ORDER BY h.id, m.lun");
    while (maps.step())
        std::printf("mapping %s lun %lld %s\n", maps.text(0).c_str(),
                    static_cast<long long>(maps.i64(1)), maps.text(2).c_str());
    auto faults = db->prepare("SELECT kind, remaining, op, status FROM fault ORDER BY id");
    while (faults.step())
        std::printf("fault %s x%lld%s%s %s\n", faults.text(0).c_str(),
                    static_cast<long long>(faults.i64(1)), faults.text(2).empty() ? "" : " on ",
                    faults.text(2).c_str(), faults.text(3).c_str());
    return 0;
}

}  // namespace sim
