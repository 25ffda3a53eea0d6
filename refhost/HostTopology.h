// The storage side of the host: this machine's initiator ports, and the
// (simulated) ESX servers with their ports and datastore disks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace refhost {

class HostDatabase;

struct Initiator {
    std::string kind;  // "fc" or "iscsi"
    std::string name;  // fc: 16 upper-case hex digits, no colons
    bool iscsi() const { return kind == "iscsi"; }
    // The form a host hands out: WWPNs with colons.
    std::string display() const;
};

// Throws std::invalid_argument for a malformed port name.
Initiator parseInitiator(const std::string& kind, const std::string& name);

struct EsxDisk {
    std::string esxName;
    std::string device;
    std::string lunUuid;
    std::string naa;  // 32 hex digits
    int lun = 0;
    std::string arraySerial;
    std::string targetWwpn;
    std::string volume;
    int64_t sizeBytes = 0;
    // The device attribute string a VMware source or mounted disk is named by.
    std::string attributeString() const;
};

// The LUN UUID an ESX server reports for a disk of this NAA and LUN.
std::string vmwareLunUuid(const std::string& naa, int lun);

class HostTopology {
public:
    static constexpr const char* kLocal = "";  // owner of this machine's ports

    explicit HostTopology(HostDatabase& db) : db_(db) {}

    void addInitiator(const std::string& owner, const Initiator& initiator);
    void clearInitiators(const std::string& owner);
    std::vector<Initiator> initiators(const std::string& owner) const;

    void addEsxServer(const std::string& name);
    bool esxExists(const std::string& name) const;
    std::vector<std::string> esxServers() const;
    // The ESX server a host text names ("esxname:" attribute or the bare
    // name), or empty when it names none of them.
    std::string esxOf(const std::string& hostText) const;

    void replaceEsxDisks(const std::string& esxName, const std::vector<EsxDisk>& disks);
    std::vector<EsxDisk> esxDisks(const std::string& esxName) const;
    std::optional<EsxDisk> esxDiskByUuid(const std::string& lunUuid,
                                         const std::string& esxName) const;
    std::optional<EsxDisk> esxDiskByDevice(const std::string& esxName,
                                           const std::string& device) const;

private:
    HostDatabase& db_;
};

}  // namespace refhost
