// Host objects, their ports, connectivity and volume mappings.
#include "sim/Identity.h"
#include "sim/Model.h"
#include "sim/Operation.h"
#include "sim/Text.h"

namespace sim {

namespace {

const KindDef kHostKind{"host",
                        {{"name", "Name"},
                         {"type", "Type"},
                         {"fc_ports", "FC Ports"},
                         {"iscsi_ports", "iSCSI Ports"},
                         {"user_group", "User Group"},
                         {"cluster", "Cluster"}}};

const KindDef kConnectivityKind{"host_connectivity",
                                {{"host", "Host"},
                                 {"host_port", "Host Port"},
                                 {"local_FC_port", "Local FC port"},
                                 {"local_iSCSI_port", "Local iSCSI port"},
                                 {"type", "Type"}}};

const KindDef kMappingKind{"mapping",
                           {{"lun", "LUN"},
                            {"volume", "Volume"},
                            {"size", "Size"},
                            {"master", "Master"},
                            {"serial", "Serial Number"},
                            {"locked", "Locked"}}};

const KindDef kVolMappingKind{"vol_mapping",
                              {{"host", "Host/Cluster"}, {"type", "Type"}, {"lun", "LUN"}}};

constexpr std::int64_t kMaxLun = 511;

// Exactly one of fcaddress= and iscsi_name=.
std::pair<std::string, bool> portArgument(const OpArgs& args) {
    bool fc = args.has("fcaddress"), iscsi = args.has("iscsi_name");
    if (fc == iscsi)
        throw XcliError{"BAD_PARAMS", "Exactly one of fcaddress and iscsi_name must be given"};
    return {fc ? args.get("fcaddress") : args.get("iscsi_name"), iscsi};
}

}  // namespace

void opHostList(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"host", false}});
    std::string sql =
        "SELECT h.name, "
        "(SELECT IFNULL(group_concat(norm, ','), '') FROM (SELECT norm FROM port "
        "  WHERE host_id = h.id AND kind = 'FC' ORDER BY id)), "
        "(SELECT IFNULL(group_concat(norm, ','), '') FROM (SELECT norm FROM port "
        "  WHERE host_id = h.id AND kind = 'ISCSI' ORDER BY id)) FROM host h";
    if (args.has("host")) {
        if (filterMatchesNothing(ctx, kHostKind, [&]() { requireHost(ctx.db, args.get("host")); }))
            return;
        sql += " WHERE h.name = ?";
    }
    sql += " ORDER BY h.id";
    ctx.answer.begin(kHostKind, ctx.request.fieldList);
    auto st = ctx.db.prepare(sql.c_str());
    if (args.has("host")) st.bind(1, args.get("host"));
    while (st.step()) ctx.answer.row({st.text(0), "default", st.text(1), st.text(2), "", ""});
}

void opHostDefine(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"host", true}});
    defineHost(ctx.db, args.name("host"));
}

void opHostAddPort(OpContext& ctx) {
    OpArgs args(ctx.request.arguments,
                {{"host", true}, {"fcaddress", false}, {"iscsi_name", false}});
    std::int64_t host = requireHost(ctx.db, args.get("host"));
    auto port = portArgument(args);
    addHostPort(ctx.db, host, port.first, port.second);
}

void opHostRemovePort(OpContext& ctx) {
    OpArgs args(ctx.request.arguments,
                {{"host", true}, {"fcaddress", false}, {"iscsi_name", false}});
    std::int64_t host = requireHost(ctx.db, args.get("host"));
    auto port = portArgument(args);
    ctx.db.prepare("DELETE FROM port WHERE host_id = ? AND norm = ?")
        .bind(1, host)
        .bind(2, normalPort(port.first))
        .run();
    if (ctx.db.changes() == 0)
        throw XcliError{"PORT_DOES_NOT_BELONG_TO_HOST", "Port is not defined for this host"};
}

void opHostDelete(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"host", true}});
    std::int64_t host = requireHost(ctx.db, args.get("host"));
    // Ports and mappings go with the host.
    ctx.db.prepare("DELETE FROM host WHERE id = ?").bind(1, host).run();
}

void opHostConnectivityList(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"host", false}});
    std::string sql =
        "SELECT h.name, p.norm, p.kind FROM port p JOIN host h ON h.id = p.host_id "
        "JOIN login l ON l.norm = p.norm";
    if (args.has("host")) {
        if (filterMatchesNothing(ctx, kConnectivityKind,
                                 [&]() { requireHost(ctx.db, args.get("host")); }))
            return;
        sql += " WHERE h.name = ?";
    }
    sql += " ORDER BY h.id, p.id";
    ctx.answer.begin(kConnectivityKind, ctx.request.fieldList);
    auto st = ctx.db.prepare(sql.c_str());
    if (args.has("host")) st.bind(1, args.get("host"));
    while (st.step()) {
        bool iscsi = st.text(2) == "ISCSI";
        ctx.answer.row({st.text(0), st.text(1), iscsi ? "" : "1:FC_Port:4:1",
                        iscsi ? "1:iSCSI_Port:7:1" : "", iscsi ? "iSCSI" : "FC"});
    }
}

void opMappingList(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"host", true}});
    std::int64_t host = 0;
    if (filterMatchesNothing(ctx, kMappingKind,
                             [&]() { host = requireHost(ctx.db, args.get("host")); }))
        return;
    ctx.answer.begin(kMappingKind, ctx.request.fieldList);
    auto st = ctx.db.prepare(
        "SELECT m.lun, v.name, v.size_gb, IFNULL(ms.name, ''), v.serial, v.locked FROM mapping m "
        "JOIN volume v ON v.id = m.vol_id LEFT JOIN volume ms ON ms.id = v.master_id "
        "WHERE m.host_id = ? ORDER BY m.lun");
    st.bind(1, host);
    while (st.step())
        ctx.answer.row({std::to_string(st.i64(0)), st.text(1), std::to_string(st.i64(2)),
                        st.text(3), std::to_string(st.i64(4)), st.i64(5) ? "yes" : "no"});
}

void opVolMappingList(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"vol", true}});
    Volume v;
    if (filterMatchesNothing(ctx, kVolMappingKind,
                             [&]() { v = requireVolume(ctx.db, args.get("vol")); }))
        return;
    ctx.answer.begin(kVolMappingKind, ctx.request.fieldList);
    auto st = ctx.db.prepare(
        "SELECT h.name, m.lun FROM mapping m JOIN host h ON h.id = m.host_id "
        "WHERE m.vol_id = ? ORDER BY h.id");
    st.bind(1, v.id);
    while (st.step()) ctx.answer.row({st.text(0), "host", std::to_string(st.i64(1))});
}

void opMapVol(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"host", true}, {"vol", true}, {"lun", true}});
    std::int64_t host = requireHost(ctx.db, args.get("host"));
    Volume v = requireVolume(ctx.db, args.get("vol"));
    std::int64_t lun = 0;
    if (!parseCount(args.get("lun"), 1000000000, lun))
        throw XcliError{"BAD_PARAMS", "Argument 'lun' must be a number"};
    if (lun > kMaxLun) throw XcliError{"EXT_LUN_ILLEGAL", "LUN must be between 0 and 511"};
    if (ctx.takeLunFault && ctx.takeLunFault())
        throw XcliError{"LUN_ALREADY_IN_USE", "LUN is already in use"};
    mapVolume(ctx.db, host, v.id, lun);
}

void opUnmapVol(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"host", true}, {"vol", true}});
    std::int64_t host = requireHost(ctx.db, args.get("host"));
    Volume v = requireVolume(ctx.db, args.get("vol"));
    ctx.db.prepare("DELETE FROM mapping WHERE host_id = ? AND vol_id = ?")
        .bind(1, host)
        .bind(2, v.id)
        .run();
    if (ctx.db.changes() == 0)
        throw XcliError{"MAPPING_IS_NOT_DEFINED", "The requested mapping is not defined"};
}

}  // namespace sim
