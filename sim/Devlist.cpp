#include "sim/Devlist.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "sim/ArrayStore.h"
#include "sim/Disks.h"
#include "sim/Text.h"

namespace sim {

namespace {

struct Row {
    std::string device, sizeGb, paths, volName, volId, xivId, xivHost;
};

// Finds the volume behind a WWN on any array, with the host object it is
// mapped to through one of the ports that see the disk.
bool lookUp(const std::string& wwn, const std::vector<std::string>& seenBy, Row& row) {
    for (const auto& address : arrayAddresses()) {
        auto db = openArray(address);
        if (!db) continue;
        auto st = db->prepare("SELECT id, name, serial, size_gb FROM volume WHERE wwn = ?");
        st.bind(1, upperText(wwn));
        if (!st.step()) continue;
        row.volName = st.text(1);
        row.volId = std::to_string(st.i64(2));
        row.sizeGb = std::to_string(st.i64(3));
        row.xivId = readArrayInfo(*db).serial;
        auto host = db->prepare(
            "SELECT h.name, EXISTS(SELECT 1 FROM port p WHERE p.host_id = h.id AND instr(',' || ? "
            "|| ',', "
            "',' || p.norm || ',') > 0) AS mine FROM mapping m JOIN host h ON h.id = m.host_id "
            "WHERE m.vol_id = ? ORDER BY mine DESC, h.id LIMIT 1");
        host.bind(1, joinText(seenBy, ",")).bind(2, st.i64(0));
        if (host.step()) row.xivHost = host.text(0);
        return true;
    }
    return false;
}

std::vector<Row> collect() {
    std::vector<Row> rows;
    const char* dir = std::getenv("ZRSO_SIM_DISKS");
    if (!dir || !*dir) return rows;
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir)) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 5 && n[0] != '.' && n.compare(n.size() - 5, 5, ".disk") == 0)
                names.push_back(n.substr(0, n.size() - 5));
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        auto entry = readCatalogFile(std::string(dir) + "/" + name + ".disk");
        if (entry["vendor"] != "IBM" || entry["product"].find("XIV") == std::string::npos) continue;
        Row row;
        row.device = "/dev/" + name;
        auto seenBy = splitText(entry["seen_by"], ',');
        size_t paths = std::max<size_t>(1, seenBy.size());
        row.paths = std::to_string(paths) + "/" + std::to_string(paths);
        // A disk whose volume is gone from every array is not an XIV volume any more.
        if (lookUp(entry["naa"], seenBy, row)) rows.push_back(row);
    }
    return rows;
}

// The tool's header is one for all arrays: capitalised when any array is
// of that shape.
bool capitalHeader() {
    for (const auto& address : arrayAddresses()) {
        auto db = openArray(address);
        if (db && readArrayInfo(*db).shapes.devlistCapitals) return true;
    }
    return false;
}

}  // namespace

int runDevlist(const std::vector<std::string>& args) {
    bool csv = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--out" && i + 1 < args.size()) csv = args[++i] == "csv";
        // Other options of the real tool (--xiv-only, -t, ...) change nothing here.
    }
    std::vector<Row> rows;
    bool capitals = false;
    try {
        rows = collect();
        capitals = csv && capitalHeader();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xiv_devlist: %s\n", e.what());
        return 1;
    }
    if (csv) {
        std::printf("%s\n", capitals
                                ? "Device, Size (GB), Paths, Vol Name, Vol Id, XIV Id, XIV Host"
                                : "device,size (gb),paths,vol name,vol id,xiv id,xiv host");
        for (const auto& r : rows)
            std::printf("%s,%s,%s,%s,%s,%s,%s\n", r.device.c_str(), r.sizeGb.c_str(),
                        r.paths.c_str(), r.volName.c_str(), r.volId.c_str(), r.xivId.c_str(),
                        r.xivHost.c_str());
        return 0;
    }
    std::printf("%-16s %-10s %-6s %-32s %-10s %-8s %s\n", "Device", "Size (GB)", "Paths",
                "Vol Name", "Vol Id", "XIV Id", "XIV Host");
    for (const auto& r : rows)
        std::printf("%-16s %-10s %-6s %-32s %-10s %-8s %s\n", r.device.c_str(), r.sizeGb.c_str(),
                    r.paths.c_str(), r.volName.c_str(), r.volId.c_str(), r.xivId.c_str(),
                    r.xivHost.c_str());
    return 0;
}

}  // namespace sim
