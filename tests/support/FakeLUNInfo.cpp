#include "FakeLUNInfo.h"

namespace {
const char* Safe(const char* text) { return text ? text : "(null)"; }
}  // namespace

int FakeLUNInfo::getVolumeName(char* buf, short* size) {
    called("getVolumeName");
    return volumeName.serveRecord(buf, size);
}

int FakeLUNInfo::getArrayName(char* buf, short* size) {
    called("getArrayName");
    return arrayName.serveRecord(buf, size);
}

int FakeLUNInfo::getArrayControlHost(char* buf, short* size) {
    called("getArrayControlHost");
    return arrayControlHost.serveRecord(buf, size);
}

int FakeLUNInfo::getArrayUser(char* buf, short* size) {
    called("getArrayUser");
    return arrayUser.serveRecord(buf, size);
}

int FakeLUNInfo::getArrayPassword(char* buf, short* size) {
    called("getArrayPassword");
    return arrayPassword.serveRecord(buf, size);
}

int FakeLUNInfo::setLunName(const char* name) {
    called("setLunName");
    lunNames.push_back(Safe(name));
    return setterResult;
}

int FakeLUNInfo::getPoolName(char* buf, short* size) {
    called("getPoolName");
    return poolName.serveRecord(buf, size);
}

int FakeLUNInfo::getVolumeSize(int64_t* bytes) {
    called("getVolumeSize");
    if (bytes && volumeSizeResult == 0) *bytes = volumeSize;
    return volumeSizeResult;
}

int FakeLUNInfo::setVolumeSize(int64_t* bytes) {
    called("setVolumeSize");
    volumeSizesSet.push_back(bytes ? *bytes : -1);
    return setterResult;
}

int FakeLUNInfo::getUsedSize(int64_t* bytes) {
    called("getUsedSize");
    if (bytes) *bytes = usedSize;
    return 0;
}

int FakeLUNInfo::setStatus(int status) {
    called("setStatus");
    statuses.push_back(status);
    return setterResult;
}

int FakeLUNInfo::setError(int code, const char* message) {
    called("setError");
    errors.push_back(ErrorEntry{code, Safe(message)});
    return setterResult;
}

int64_t FakeLUNInfo::getJobId() {
    called("getJobId");
    return jobId;
}

int FakeLUNInfo::setVolumeName(const std::string& name) {
    called("setVolumeName");
    volumeNamesSet.push_back(name);
    return setterResult;
}

int FakeLUNInfo::setLunVolume(const std::string& name) {
    called("setLunVolume");
    lunVolumesSet.push_back(name);
    return setterResult;
}

int FakeLUNInfo::setInitiatorGroups(std::vector<ZRSO::IGroupInfo>& groups, int* endPointId) {
    called("setInitiatorGroups");
    initiatorGroupsSet.push_back(groups);
    endPointIdsSet.push_back(endPointId);
    return setterResult;
}

int FakeLUNInfo::getMapRequest(char* buf, short* size) {
    called("getMapRequest");
    return mapRequest.serveRecord(buf, size);
}
