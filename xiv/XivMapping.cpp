// LUN mappings: listing them per host or per volume, choosing a free LUN,
// testing and removing a volume's mapping.
#include <bitset>
#include <string>

#include "xiv/Xiv.h"

namespace {

const int kLunLimit = 256;  // LUNs 1 to 255 can be chosen

}  // namespace

void Xiv::GetMappedVolumes(const std::string& port, std::string& hostName,
                           std::vector<HostMapping>& mappings, XivError& error) {
    error.code = 0;
    if (hostName.empty()) {
        GetMyHostName(port, port, error);
        hostName = sMyHostName;
    } else {
        sMyHostName = hostName;
    }
    if (error.code != 0) return;
    ResourceList listed;
    xcli_.GetMappedVolumes(sMyHostName, listed, error);
    TakeAll(listed, mappings);
}

void Xiv::GetHostsMapped(const std::string& volume, std::vector<VolMapping>& mappings,
                         XivError& error) {
    error.code = 0;
    ResourceList listed;
    xcli_.GetMappedHosts(volume, listed, error);
    TakeListing(listed, mappings, error, "mapped hosts lists not found.", "MAP_BAD_COMMAND");
}

void Xiv::GetUnusedLun(const std::list<std::string>& ports, std::string& hostName, std::string& lun,
                       XivError& error) {
    error.code = 0;
    lun = "-1";
    const bool resolveEachPort = hostName.empty();
    for (const std::string& port : ports) {
        if (resolveEachPort) hostName.clear();
        std::vector<HostMapping> mappings;
        GetMappedVolumes(port, hostName, mappings, error);
        if (error.code != 0) continue;

        // LUNs outside 1..255, including the 0 of a non-numeric one, never
        // block a choice.
        std::bitset<kLunLimit> used;
        for (const HostMapping& mapping : mappings)
            if (mapping.lun > 0 && mapping.lun < kLunLimit) used.set(mapping.lun);
        for (int candidate = 1; candidate < kLunLimit; ++candidate) {
            if (!used.test(candidate)) {
                lun = std::to_string(candidate);
                break;
            }
        }
        return;
    }
}

bool Xiv::IsMapped(const std::list<std::string>& ports, std::string& hostName,
                   const std::string& volume, XivError& error) {
    error.code = 0;
    for (const std::string& port : ports) {
        std::vector<HostMapping> mappings;
        GetMappedVolumes(port, hostName, mappings, error);
        if (error.code != 0) continue;
        for (const HostMapping& mapping : mappings)
            if (mapping.volume == volume) return true;
    }
    return false;
}

void Xiv::UnMapVolume(const std::string& volume, const std::list<std::string>& ports,
                      const std::string& hostName, XivError& error) {
    error.code = 0;
    std::set<std::string> hosts;
    if (!hostName.empty()) {
        hosts.insert(hostName);
    } else {
        GetAllMyHostNames(ports, hosts, error);
        if (error.code != 0) return;
    }
    for (const std::string& host : hosts) {
        if (error.code != 0) break;
        xcli_.UnMapVolume(volume, host, error);
    }
}
