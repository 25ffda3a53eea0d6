// LUN mappings: listing them per host or per volume, choosing a free LUN,
// testing and removing a volume's mapping.
#include <bitset>
#include <string>

#include "xiv/Xiv.h"

namespace {

const int kLunLimit = 256;  // LUNs 1 to 255 can be chosen

}  // namespace

void Xiv::GetMappedVolumes(const std::string& port, std::string& hostName,
                           std::list<ResourceNode*>& mappings, int& errorCode,
                           std::string& errorText) {
    errorCode = 0;
    if (hostName.empty()) {
        GetMyHostName(port, port, errorCode, errorText);
        hostName = sMyHostName;
    } else {
        sMyHostName = hostName;
    }
    if (errorCode != 0) return;
    OwnedList listed;
    xcli_.GetMappedVolumes(sMyHostName, listed.items, errorCode, errorText);
    mappings.splice(mappings.end(), listed.items);
}

void Xiv::GetHostsMapped(const std::string& volume, std::list<VolMapping*>& mappings,
                         int& errorCode, std::string& errorText) {
    errorCode = 0;
    OwnedList listed;
    xcli_.GetMappedHosts(volume, listed.items, errorCode, errorText);
    size_t moved = HandOver(listed.items, mappings);
    if (errorCode == 0 && moved == 0) {
        errorCode = -1;
        errorText += "mapped hosts lists not found.";
        SetResult("MAP_BAD_COMMAND");
    }
}

void Xiv::GetUnusedLun(const std::list<std::string>& ports, std::string& hostName,
                       std::string& lun, int& errorCode, std::string& errorText) {
    errorCode = 0;
    lun = "-1";
    const bool resolveEachPort = hostName.empty();
    for (const std::string& port : ports) {
        if (resolveEachPort) hostName.clear();
        OwnedList mappings;
        GetMappedVolumes(port, hostName, mappings.items, errorCode, errorText);
        if (errorCode != 0) continue;

        // LUNs outside 1..255, including the 0 of a non-numeric one, never
        // block a choice.
        std::bitset<kLunLimit> used;
        for (ResourceNode* node : mappings.items) {
            const HostMapping* mapping = dynamic_cast<const HostMapping*>(node);
            if (mapping != nullptr && mapping->lun > 0 && mapping->lun < kLunLimit)
                used.set(mapping->lun);
        }
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
                   const std::string& volume, int& errorCode, std::string& errorText) {
    errorCode = 0;
    for (const std::string& port : ports) {
        OwnedList mappings;
        GetMappedVolumes(port, hostName, mappings.items, errorCode, errorText);
        if (errorCode != 0) continue;
        for (ResourceNode* node : mappings.items) {
            const HostMapping* mapping = dynamic_cast<const HostMapping*>(node);
            if (mapping != nullptr && mapping->volume == volume) return true;
        }
    }
    return false;
}

void Xiv::UnMapVolume(const std::string& volume, const std::list<std::string>& ports,
                      const std::string& hostName, int& errorCode, std::string& errorText) {
    errorCode = 0;
    std::set<std::string> hosts;
    if (!hostName.empty()) {
        hosts.insert(hostName);
    } else {
        GetAllMyHostNames(ports, hosts, errorCode, errorText);
        if (errorCode != 0) return;
    }
    for (const std::string& host : hosts) {
        if (errorCode != 0) break;
        xcli_.UnMapVolume(volume, host, errorCode, errorText);
    }
}
