// The volumes a set of initiator ports sees across all arrays, and the
// simulated disk catalog that a host rescan reads.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct VisibleDisk {
    std::int64_t lun = 0;
    std::string wwn, arraySerial, arrayHexSerial, targetPort, volume;
    std::int64_t sizeBytes = 0;
    std::string address, hostObject;
    std::int64_t volumeSerial = 0;
    std::vector<std::string> seenBy;  // the given ports that see it
    bool naaLast = false;             // the array's identification page puts the LU's NAA last
};

// One disk per volume, ordered by array address and LUN.
std::vector<VisibleDisk> visibleDisks(const std::vector<std::string>& ports);
// "lun wwn array_serial array_hex_serial target_wwpn volume size_bytes address host_object"
std::string diskLine(const VisibleDisk& disk);
std::string diskJson(const VisibleDisk& disk, const std::string& device);

// key=value lines of one catalog file.
std::map<std::string, std::string> readCatalogFile(const std::string& path);

struct CatalogDisk {
    std::string name;
    VisibleDisk disk;
};
// Makes the catalog hold exactly what `ports` see; returns its simulator disks by name.
std::vector<CatalogDisk> exportDisks(const std::vector<std::string>& ports, const std::string& dir,
                                     const std::string& prefix);

}  // namespace sim
