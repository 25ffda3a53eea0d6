// LUN provisioning requests (one row per LUNInfo handed to the plug-in).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace refhost {

class HostDatabase;

struct LunRequestRow {
    int64_t id = 0;
    int64_t jobId = 0;
    std::string operation;
    std::string arrayName;
    std::string volumeName;
    std::string poolName;
    int64_t sizeBytes = 0;
    int status = -1;
    int errorCode = 0;
    std::string errorMessage;
    std::string lunName;
    std::string lunVolume;
    std::string mapRequest;
    std::string initiatorGroups;  // JSON, as setInitiatorGroups delivered them
};

class LunRequestStore {
public:
    explicit LunRequestStore(HostDatabase& db) : db_(db) {}

    int64_t add(int64_t jobId, const LunRequestRow& request);
    LunRequestRow get(int64_t id) const;  // throws HostDbError when absent
    std::vector<LunRequestRow> forJob(int64_t jobId) const;
    // Requests on the volume whose job did not finish (it is running, or its
    // process died, or a signal stopped it).
    std::vector<LunRequestRow> unsettledFor(const std::string& arrayName,
                                            const std::string& volumeName) const;

private:
    HostDatabase& db_;
};

}  // namespace refhost
