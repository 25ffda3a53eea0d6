#include "sim/Disks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

#include "sim/ArrayStore.h"
#include "sim/Db.h"
#include "sim/Identity.h"
#include "sim/Model.h"
#include "sim/Text.h"

namespace sim {

namespace {

constexpr int kTargetPort = 140;
constexpr int kRelativePort = 1;

std::vector<std::string> catalogFiles(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > 5 && n.compare(n.size() - 5, 5, ".disk") == 0 && n[0] != '.')
            names.push_back(n.substr(0, n.size() - 5));
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

void writeWhole(const std::string& path, const std::string& text) {
    std::string tmp = path + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) throw SimError("cannot write " + tmp);
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw SimError("cannot rename " + tmp);
    }
}

// Besides the LU's NAA name, the identification page names the target port
// (FC only), the relative port and a vendor-specific text, as real disks do.
std::string catalogText(const VisibleDisk& d) {
    std::string serial = unitSerial(d.arraySerial, d.volumeSerial);
    std::string designators = "\nnaa=" + d.wwn;
    if (classifyPort(d.targetPort) == PortKind::Fc) designators += "\ntarget_port=" + d.targetPort;
    designators += "\nrelative_port=" + std::to_string(kRelativePort) + "\nvendor_text=" + serial;
    if (d.naaLast) designators += "\nnaa_last=yes";
    return "vendor=IBM\nproduct=2810XIV\nrevision=10.2\nserial=" + serial + designators +
           "\nlun=" + std::to_string(d.lun) + "\nsize_bytes=" + std::to_string(d.sizeBytes) +
           "\nvolume=" + d.volume + "\narray_serial=" + d.arraySerial +
           "\narray_address=" + d.address + "\nseen_by=" + joinText(d.seenBy, ",") + "\n";
}

// A catalog entry this simulator wrote (others' entries are left alone).
bool ours(const std::map<std::string, std::string>& entry) {
    return entry.count("array_address") && entry.count("naa");
}

class DirLock {
public:
    explicit DirLock(const std::string& dir) {
        fd_ = ::open((dir + "/.export-disks.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
        if (fd_ < 0) throw SimError("cannot lock catalog " + dir);
        ::flock(fd_, LOCK_EX);
    }
    ~DirLock() { ::close(fd_); }

private:
    int fd_;
};

}  // namespace

std::vector<VisibleDisk> visibleDisks(const std::vector<std::string>& ports) {
    std::vector<VisibleDisk> out;
    for (const auto& address : arrayAddresses()) {
        auto db = openArray(address);
        if (!db) continue;
        Tx tx(*db, false);
        ArrayInfo info = readArrayInfo(*db);
        std::map<std::string, size_t> byWwn;
        size_t first = out.size();
        auto st = db->prepare(
            "SELECT m.lun, v.wwn, v.name, v.size_gb, h.name, v.serial FROM port p "
            "JOIN host h ON h.id = p.host_id JOIN mapping m ON m.host_id = h.id "
            "JOIN volume v ON v.id = m.vol_id WHERE p.norm = ? ORDER BY m.lun");
        for (const auto& port : ports) {
            std::string norm = normalPort(port);
            st.bind(1, norm);
            while (st.step()) {
                std::string wwn = st.text(1);
                auto it = byWwn.find(wwn);
                if (it != byWwn.end()) {
                    auto& seen = out[it->second].seenBy;
                    if (std::find(seen.begin(), seen.end(), norm) == seen.end())
                        seen.push_back(norm);
                    continue;
                }
                VisibleDisk d;
                d.lun = st.i64(0);
                d.wwn = wwn;
                d.volume = st.text(2);
                d.sizeBytes = bytesOfGb(st.i64(3));
                d.hostObject = st.text(4);
                d.volumeSerial = st.i64(5);
                d.arraySerial = info.serial;
                d.arrayHexSerial = hexArraySerial(info.serial);
                d.targetPort = classifyPort(norm) == PortKind::Iscsi
                                   ? iscsiTarget(info.serial)
                                   : targetWwpn(info.serial, kTargetPort);
                d.address = address;
                d.naaLast = info.shapes.naaLast;
                d.seenBy.push_back(norm);
                byWwn[wwn] = out.size();
                out.push_back(d);
            }
            st.reset();
        }
        std::sort(out.begin() + static_cast<long>(first), out.end(),
                  [](const VisibleDisk& a, const VisibleDisk& b) { return a.lun < b.lun; });
    }
    return out;
}

std::string diskLine(const VisibleDisk& d) {
    return std::to_string(d.lun) + "\t" + d.wwn + "\t" + d.arraySerial + "\t" + d.arrayHexSerial +
           "\t" + d.targetPort + "\t" + d.volume + "\t" + std::to_string(d.sizeBytes) + "\t" +
           d.address + "\t" + d.hostObject;
}

std::string diskJson(const VisibleDisk& d, const std::string& device) {
    std::string out = "{";
    if (!device.empty()) out += "\"device\":" + jsonString(device) + ",";
    out += "\"lun\":" + std::to_string(d.lun) + ",\"wwn\":" + jsonString(d.wwn) +
           ",\"array_serial\":" + jsonString(d.arraySerial) +
           ",\"array_hex_serial\":" + jsonString(d.arrayHexSerial) +
           ",\"target_wwpn\":" + jsonString(d.targetPort) + ",\"volume\":" + jsonString(d.volume) +
           ",\"size_bytes\":" + std::to_string(d.sizeBytes) +
           ",\"address\":" + jsonString(d.address) +
           ",\"host_object\":" + jsonString(d.hostObject) + "}";
    return out;
}

std::map<std::string, std::string> readCatalogFile(const std::string& path) {
    std::map<std::string, std::string> entry;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos)
            entry[trimText(line.substr(0, eq))] = trimText(line.substr(eq + 1));
    }
    return entry;
}

std::vector<CatalogDisk> exportDisks(const std::vector<std::string>& ports, const std::string& dir,
                                     const std::string& prefix) {
    ::mkdir(dir.c_str(), 0755);
    DirLock lock(dir);
    std::vector<VisibleDisk> seen = visibleDisks(ports);
    std::set<std::string> used;
    std::map<std::string, std::string> nameByNaa;
    std::vector<std::pair<std::string, std::string>> oursByName;  // name, naa
    for (const auto& name : catalogFiles(dir)) {
        used.insert(name);
        auto entry = readCatalogFile(dir + "/" + name + ".disk");
        std::string naa = upperText(entry["naa"]);
        if (!naa.empty() && !nameByNaa.count(naa)) nameByNaa[naa] = name;
        if (ours(entry)) oursByName.emplace_back(name, naa);
    }
    std::set<std::string> seenNaa;
    std::vector<CatalogDisk> result;
    int next = 1;
    for (const auto& d : seen) {
        seenNaa.insert(d.wwn);
        std::string name;
        auto it = nameByNaa.find(d.wwn);
        if (it != nameByNaa.end()) {
            name = it->second;
        } else {
            while (used.count(prefix + std::to_string(next))) ++next;
            name = prefix + std::to_string(next);
            used.insert(name);
        }
        writeWhole(dir + "/" + name + ".disk", catalogText(d));
        result.push_back({name, d});
    }
    for (const auto& entry : oursByName)
        if (!seenNaa.count(entry.second)) std::remove((dir + "/" + entry.first + ".disk").c_str());
    std::sort(result.begin(), result.end(),
              [](const CatalogDisk& a, const CatalogDisk& b) { return a.name < b.name; });
    return result;
}

}  // namespace sim
