#include "refhost/HostTopology.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "refhost/AttributeText.h"
#include "refhost/HostDatabase.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

std::string hexOfText(const std::string& text) {
    std::string out;
    char buf[3];
    for (unsigned char c : text) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

EsxDisk diskOf(const SqlStatement& st) {
    EsxDisk d;
    d.esxName = st.text(0);
    d.device = st.text(1);
    d.lunUuid = st.text(2);
    d.naa = st.text(3);
    d.lun = static_cast<int>(st.integer(4));
    d.arraySerial = st.text(5);
    d.targetWwpn = st.text(6);
    d.volume = st.text(7);
    d.sizeBytes = st.integer(8);
    return d;
}

const char* const kDiskColumns =
    "SELECT esx_name, device, lun_uuid, naa, lun, array_serial, target_wwpn, volume, size_bytes "
    "FROM esx_disks ";

}  // namespace

std::string Initiator::display() const {
    if (iscsi()) return name;
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (i && i % 2 == 0) out += ':';
        out += name[i];
    }
    return out;
}

Initiator parseInitiator(const std::string& kind, const std::string& name) {
    Initiator i;
    i.kind = kind;
    if (kind == "fc") {
        for (char c : name) {
            if (c == ':') continue;
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                throw std::invalid_argument("WWPN " + name + " holds a character that is not hex");
            i.name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (i.name.size() != 16)
            throw std::invalid_argument("WWPN " + name + " must have 16 hex digits");
        return i;
    }
    if (kind == "iscsi") {
        if (name.empty()) throw std::invalid_argument("iSCSI name must not be empty");
        for (unsigned char c : name)
            if (std::isspace(c) || c == ',' || c < 0x20)
                throw std::invalid_argument("iSCSI name " + name + " holds a blank or a comma");
        i.name = name;
        return i;
    }
    throw std::invalid_argument("initiator kind must be fc or iscsi");
}

std::string vmwareLunUuid(const std::string& naa, int lun) {
    char head[16];
    std::snprintf(head, sizeof head, "0200%02X00", lun & 0xFF);
    // ESX writes the product id in hex after the NAA: "2810XIV" for an XIV LUN.
    return head + naa + hexOfText("2810XIV");
}

std::string EsxDisk::attributeString() const {
    std::string target;
    for (size_t i = 0; i < targetWwpn.size(); ++i) {
        if (i && i % 2 == 0) target += ':';
        target += static_cast<char>(std::tolower(static_cast<unsigned char>(targetWwpn[i])));
    }
    return formatAttributes({{"idatype", "vmware"},
                             {"vendor", "IBM"},
                             {"lunuuid", lunUuid},
                             {"targetidentifier", target},
                             {"type", "fc"},
                             {"esxname", esxName},
                             {"device", device}});
}

void HostTopology::addInitiator(const std::string& owner, const Initiator& initiator) {
    Transaction tx(db_);
    SqlStatement st(
        db_,
        "INSERT OR REPLACE INTO initiators(owner, kind, name, position) VALUES(?, ?, ?, "
        "(SELECT COUNT(*) FROM initiators WHERE owner = ?))");
    st.bind(1, owner).bind(2, initiator.kind).bind(3, initiator.name).bind(4, owner).run();
    tx.commit();
}

void HostTopology::clearInitiators(const std::string& owner) {
    Transaction tx(db_);
    SqlStatement st(db_, "DELETE FROM initiators WHERE owner = ?");
    st.bind(1, owner).run();
    tx.commit();
}

std::vector<Initiator> HostTopology::initiators(const std::string& owner) const {
    SqlStatement st(db_,
                    "SELECT kind, name FROM initiators WHERE owner = ? ORDER BY position, name");
    st.bind(1, owner);
    std::vector<Initiator> out;
    while (st.step()) out.push_back(Initiator{st.text(0), st.text(1)});
    return out;
}

void HostTopology::addEsxServer(const std::string& name) {
    std::string problem = attributeValueProblem(name);
    if (name.empty() || !problem.empty() || name.find(':') != std::string::npos)
        throw std::invalid_argument("ESX server name " + name + " is not usable" +
                                    (problem.empty() ? "" : ": " + problem));
    Transaction tx(db_);
    SqlStatement st(db_, "INSERT OR IGNORE INTO esx_servers(name) VALUES(?)");
    st.bind(1, name).run();
    tx.commit();
}

bool HostTopology::esxExists(const std::string& name) const {
    SqlStatement st(db_, "SELECT 1 FROM esx_servers WHERE name = ?");
    st.bind(1, name);
    return st.step();
}

std::vector<std::string> HostTopology::esxServers() const {
    SqlStatement st(db_, "SELECT name FROM esx_servers ORDER BY name");
    std::vector<std::string> out;
    while (st.step()) out.push_back(st.text(0));
    return out;
}

std::string HostTopology::esxOf(const std::string& hostText) const {
    if (hostText.empty()) return std::string();
    std::string name = esxNameOf(hostText);
    return esxExists(name) ? name : std::string();
}

void HostTopology::replaceEsxDisks(const std::string& esxName, const std::vector<EsxDisk>& disks) {
    Transaction tx(db_);
    SqlStatement del(db_, "DELETE FROM esx_disks WHERE esx_name = ?");
    del.bind(1, esxName).run();
    SqlStatement ins(db_,
                     "INSERT INTO esx_disks(esx_name, device, lun_uuid, naa, lun, array_serial, "
                     "target_wwpn, volume, size_bytes) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const auto& d : disks) {
        ins.bind(1, esxName).bind(2, d.device).bind(3, d.lunUuid).bind(4, d.naa).bind(5, d.lun);
        ins.bind(6, d.arraySerial).bind(7, d.targetWwpn).bind(8, d.volume).bind(9, d.sizeBytes);
        ins.run();
    }
    tx.commit();
}

std::vector<EsxDisk> HostTopology::esxDisks(const std::string& esxName) const {
    std::string sql = std::string(kDiskColumns) + "WHERE esx_name = ? ORDER BY device";
    SqlStatement st(db_, sql.c_str());
    st.bind(1, esxName);
    std::vector<EsxDisk> out;
    while (st.step()) out.push_back(diskOf(st));
    return out;
}

std::optional<EsxDisk> HostTopology::esxDiskByUuid(const std::string& lunUuid,
                                                   const std::string& esxName) const {
    std::string sql = std::string(kDiskColumns) +
                      "WHERE lun_uuid = ?1 COLLATE NOCASE AND (?2 = '' OR esx_name = ?2) "
                      "ORDER BY esx_name LIMIT 1";
    SqlStatement st(db_, sql.c_str());
    st.bind(1, lunUuid).bind(2, esxName);
    if (!st.step()) return std::nullopt;
    return diskOf(st);
}

std::optional<EsxDisk> HostTopology::esxDiskByDevice(const std::string& esxName,
                                                     const std::string& device) const {
    std::string sql = std::string(kDiskColumns) + "WHERE esx_name = ? AND device = ?";
    SqlStatement st(db_, sql.c_str());
    st.bind(1, esxName).bind(2, device);
    if (!st.step()) return std::nullopt;
    return diskOf(st);
}

}  // namespace refhost
