// Mapping and unmapping a LUN's volume for the hosts and initiator ports of
// its map request. Each port is one unit of work: the result counts ports,
// and the first failure ends the call.
#include <list>
#include <string>
#include <vector>

#include "engine/common/FunctionTags.h"
#include "engine/common/HostBuffer.h"
#include "engine/provision/MapRequest.h"
#include "engine/provision/ProvisionBodies.h"
#include "engine/provision/ProvisionSetup.h"

namespace {

// The fixed texts that differ between mapping and unmapping.
struct RequestTexts {
    const char* noRequest;
    const char* noHosts;
    const char* badEntry;
};

const RequestTexts kMapTexts = {
    "Unable to get the initiator information for the map operation.",
    "Unable to get the host list to map the luns.",
    "Incorrect paramteres in the map info structure.",
};

const RequestTexts kUnmapTexts = {
    "Unable to get the initiator information.",
    "Unable to get the host list to unmap the luns.",
    "Incorrect paramteres in the unmap info structure.",
};

const char* OrEmptyMark(const std::string& text) { return text.empty() ? "EMPTY" : text.c_str(); }

// Reads and parses the LUN's map request; false after failing the LUN.
bool ReadRequest(ZRSO::LUNInfo* lun, ProvisionLog& log, const RequestTexts& texts,
                 std::vector<mapInfo>& hosts) {
    HostTextRequest request;
    request.bufferSize = 4096;
    request.maxCalls = 3;
    HostTextResult answer =
        ReadRecordText([lun](char* b, short* s) { return lun->getMapRequest(b, s); }, request);
    if (!answer.ok()) {
        FailLun(lun, log, texts.noRequest);
        return false;
    }
    log.Line(DebugLog::kNormal, "Parsing [%s]", answer.text.c_str());
    if (!ParseMapInfo(answer.text.c_str(), answer.text.size(),
                      static_cast<std::uint64_t>(log.Job()), hosts) ||
        hosts.empty()) {
        FailLun(lun, log, texts.noHosts);
        return false;
    }
    return true;
}

// Every host entry must be complete and name an OS the array knows; checked
// for the whole request before any port is touched.
bool CheckHosts(ZRSO::LUNInfo* lun, ProvisionLog& log, const RequestTexts& texts,
                const std::vector<mapInfo>& hosts) {
    for (const mapInfo& host : hosts) {
        if ((host.nProtocol != 3 && host.nProtocol != 4) || host.sHostName.empty() ||
            host.sOsType.empty() || host.endPoints.empty()) {
            FailLun(lun, log, texts.badEntry);
            return false;
        }
        log.Line(DebugLog::kNormal, "Host[%s]", host.sHostName.c_str());
        log.Line(DebugLog::kNormal, "OS[%s]", host.sOsType.c_str());
        log.Line(DebugLog::kNormal, "End Points[%d]", static_cast<int>(host.endPoints.size()));
        log.Line(DebugLog::kNormal, "Protocol[%d]", host.nProtocol);
        std::string osType = host.sOsType;
        xlateOsType(osType);
        if (host.endPoints.empty() || host.nProtocol == 0 || osType.empty() ||
            host.sHostName.empty()) {
            lun->setError(kProvisionCode,
                          "Required parameters: initiator list or protocoltype or ostype or "
                          "mount host name is missing.");
            log.Line(DebugLog::kError,
                     "Required parameters initiator list [%d] or protocoltype [%d] or ostype "
                     "[%s] or mount host name [%s] is missing.",
                     static_cast<int>(host.endPoints.size()), host.nProtocol, OrEmptyMark(osType),
                     OrEmptyMark(host.sHostName));
            return false;
        }
    }
    return true;
}

// Maps the volume through one port: to the host object that already owns
// the port, or to a new one defined from the request's host name.
bool MapPort(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log, const mapInfo& host,
             const std::string& port) {
    Xiv& xiv = *setup.xiv;
    const std::list<std::string> ports = {port};
    std::string hostName;
    std::string lunNumber;
    XivError error;
    xiv.GetUnusedLun(ports, hostName, lunNumber, error);
    if (error.code == 0) {
        log.Line(DebugLog::kError, "Host exists");
    } else {
        log.Line(DebugLog::kError, "Creating a new host");
        // A lookup that failed may still have left a name behind.
        hostName = host.sHostName;
        error.clear();
        xiv.CreateHost(ports, false, hostName, error);
        if (error.code != 0) {
            log.Line(DebugLog::kError, "Failed to create host");
            FailLun(lun, log, "Failed to create host");
            return false;
        }
        error.text.clear();
        xiv.GetUnusedLun(ports, hostName, lunNumber, error);
    }
    error.clear();
    xiv.MapVolume(setup.volumeName, hostName, lunNumber, error);
    if (error.code != 0) {
        FailLunOnArray(lun, log, xiv, error.text);
        return false;
    }
    lun->setStatus(ZRSO::LUN_MAPPED);
    return true;
}

// Removes the volume's mapping through one port from the host object that
// owns the port.
bool UnmapPort(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log, const std::string& port) {
    Xiv& xiv = *setup.xiv;
    std::string hostName;
    std::vector<HostMapping> mappings;
    XivError error;
    xiv.GetMappedVolumes(port, hostName, mappings, error);
    // Without the owner of this very port, a name left from an earlier port
    // would unmap the volume from the wrong host.
    if (error.code != 0) {
        FailLunOnArray(lun, log, xiv, error.text);
        return false;
    }
    error.text.clear();
    xiv.UnMapVolume(setup.volumeName, std::list<std::string>{port}, hostName, error);
    if (error.code != 0) {
        FailLunOnArray(lun, log, xiv, error.text);
        return false;
    }
    lun->setStatus(ZRSO::LUN_UNMAPPED);
    return true;
}

using PortWork = bool (*)(ZRSO::LUNInfo*, LunSetup&, ProvisionLog&, const mapInfo&,
                          const std::string&);

// Ports handled when the call ends: 1 when none, 0 when every port of every
// LUN, 2 when the call ended early after some (part of the request was done
// on the array and stays done).
int ForEachPort(const char* function, int startStatus, const RequestTexts& texts,
                ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil, PortWork work) {
    LunSetupPlan plan;
    plan.startStatus = startStatus;
    long ports = 0;
    long done = ForEachLun(function, luns, count, osUtil, plan,
                           [&](ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
                               std::vector<mapInfo> hosts;
                               if (!ReadRequest(lun, log, texts, hosts)) return false;
                               if (!CheckHosts(lun, log, texts, hosts)) return false;
                               for (const mapInfo& host : hosts) {
                                   for (const std::string& port : host.endPoints) {
                                       if (!work(lun, setup, log, host, port)) return false;
                                       ++ports;
                                   }
                               }
                               return true;
                           });
    if (ports == 0) return 1;
    return done >= count ? 0 : 2;
}

bool UnmapPortOf(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log, const mapInfo&,
                 const std::string& port) {
    return UnmapPort(lun, setup, log, port);
}

}  // namespace

int mapLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return ForEachPort(tag::kMapLUNs, ZRSO::LUN_MAP_FAILED, kMapTexts, luns, count, osUtil,
                       MapPort);
}

int unmapLUNsBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    return ForEachPort(tag::kUnmapLUNs, ZRSO::LUN_UNMAP_FAILED, kUnmapTexts, luns, count, osUtil,
                       UnmapPortOf);
}
