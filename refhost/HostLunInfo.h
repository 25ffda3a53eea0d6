// The host's LUN record handed to the provisioning entry points: one row of
// lun_requests plus the registered array it names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/ZRSO.h"

namespace refhost {

class HostDatabase;

class HostLunInfo : public ZRSO::LUNInfo {
public:
    HostLunInfo(HostDatabase& db, int64_t requestId);

    int64_t requestId() const { return id_; }

    int getVolumeName(char* buf, short* size) override;
    int getArrayName(char* buf, short* size) override;
    int getArrayControlHost(char* buf, short* size) override;
    int getArrayUser(char* buf, short* size) override;
    int getArrayPassword(char* buf, short* size) override;
    int setLunName(const char* name) override;
    int getPoolName(char* buf, short* size) override;
    int getVolumeSize(int64_t* bytes) override;
    int setVolumeSize(int64_t* bytes) override;
    int getUsedSize(int64_t* bytes) override;
    int setStatus(int status) override;
    int setError(int code, const char* message) override;
    int64_t getJobId() override;
    int setVolumeName(const std::string& name) override;
    int setLunVolume(const std::string& name) override;
    int setInitiatorGroups(std::vector<ZRSO::IGroupInfo>& groups, int* endPointId) override;
    int getMapRequest(char* buf, short* size) override;

    // The JSON text stored for a list of groups.
    static std::string groupsJson(const std::vector<ZRSO::IGroupInfo>& groups);

private:
    bool readText(const char* column, std::string* out);
    int replyColumn(const char* column, char* buf, short* size);
    int replyArrayField(int which, char* buf, short* size);
    int write(const char* column, const std::string& value);
    int write(const char* column, int64_t value);

    HostDatabase& db_;
    int64_t id_;
    int64_t jobId_ = 0;
};

}  // namespace refhost
