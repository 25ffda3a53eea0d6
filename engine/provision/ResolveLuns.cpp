// Telling the host which initiator ports each LUN's volume is presented to:
// the ports of every host object the volume is mapped to, in one group.
#include <list>
#include <string>
#include <vector>

#include "engine/common/FunctionTags.h"
#include "engine/common/RecordArray.h"
#include "engine/provision/EndPointId.h"
#include "engine/provision/ProvisionBodies.h"
#include "engine/provision/ProvisionSetup.h"

namespace {

// Appends the comma-separated ports of a host's port text; every port
// appended makes protocol the group's protocol.
void AppendPorts(const std::string& portList, const char* protocol, ZRSO::IGroupInfo& group) {
    size_t start = 0;
    while (start <= portList.size()) {
        size_t comma = portList.find(',', start);
        if (comma == std::string::npos) comma = portList.size();
        std::string port = portList.substr(start, comma - start);
        // A host without ports of this kind lists none, not an empty one.
        if (!port.empty()) {
            group.initiators.push_back(port);
            group.sProtocol = protocol;
        }
        start = comma + 1;
    }
}

bool ResolveOne(ZRSO::LUNInfo* lun, LunSetup& setup, ProvisionLog& log) {
    Xiv& xiv = *setup.xiv;
    std::vector<VolMapping> mappings;
    XivError mapError;
    xiv.GetHostsMapped(setup.volumeName, mappings, mapError);
    // A volume mapped nowhere lists no mappings, and that is an answer (no
    // ports); any other failed listing (no such volume, no array) is not.
    std::string mapResult = xiv.GetResult();
    bool mappingFailed = mapError.failed() && mapResult != "MAP_BAD_COMMAND";
    // Some arrays list nothing, successfully, for a volume they do not have:
    // only the volume itself tells that from one mapped nowhere.
    if (mapError.failed() && !mappingFailed) {
        XivError presence;
        if (!xiv.IsVolumePresent(setup.volumeName, presence)) {
            mappingFailed = true;
            mapResult = presence.failed() ? xiv.GetResult() : "VOLUME_BAD_NAME";
            mapError.text = presence.text + "Volume [" + setup.volumeName + "] not found.";
        }
    }

    std::vector<Host> hosts;
    XivError hostError;
    xiv.GetAllHosts(hosts, hostError);

    ZRSO::IGroupInfo group;
    for (const VolMapping& mapping : mappings) {
        for (const Host& host : hosts) {
            if (host.name != mapping.host) continue;
            AppendPorts(host.fc_ports, "fcp", group);
            AppendPorts(host.iscsi_ports, "iscsi", group);
        }
    }

    if (mappingFailed) {
        xiv.SetResult(mapResult);
        FailLunOnArray(lun, log, xiv, mapError.text);
        return false;
    }
    if (hostError.failed()) {
        FailLunOnArray(lun, log, xiv, hostError.text);
        return false;
    }
    std::vector<ZRSO::IGroupInfo> groups = {group};
    lun->setInitiatorGroups(groups, &iEndPointId);
    lun->setStatus(ZRSO::LUN_RESOLVED);
    return true;
}

}  // namespace

int resolveLunsToUsersBody(ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil) {
    LunSetupPlan plan;
    plan.startStatus = ZRSO::LUN_RESOLVE_FAILED;
    return ResultConvention(
        ForEachLun(tag::kResolveLunsToUsers, luns, count, osUtil, plan, ResolveOne), count);
}
