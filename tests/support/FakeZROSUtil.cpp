#include "FakeZROSUtil.h"

// The items with the separator between them.
static std::string Join(const std::vector<std::string>& items, char separator) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? std::string(1, separator) : "") + items[i];
    return out;
}

int FakeZROSUtil::listHostDevices(const char* host, const char* vendor, char separator, int size,
                                  char* buffer) {
    hostDevicesScript = Join(hostDevices, separator);
    return hostDevicesScript.serveService(buffer, size);
}

short FakeZROSUtil::getArrayList(const char* type, char separator, short size, char* buffer) {
    arrayListTypes.push_back(Safe(type));
    arrayListScript = Join(arrays, separator);
    return static_cast<short>(arrayListScript.serveService(buffer, size));
}

short FakeZROSUtil::fetchArrayInfo(const char* controlHost, char* buffer, short* size) {
    arrayInfoAsks.push_back(Safe(controlHost));
    auto it = arrayInfos.find(Safe(controlHost));
    if (it == arrayInfos.end()) return -1;
    short answer = static_cast<short>(it->second.serveService(buffer, size ? *size : 0));
    if (answer > 0 && size) *size = answer;
    return answer;
}

bool FakeZROSUtil::detectHBAlist(const char*, const char*, char* names, short* nameLength,
                                 char* types, short* typeLength, short* count) {
    std::string joined, kinds;
    for (const FakeInitiator& i : initiators) {
        joined += (kinds.empty() ? "" : ",") + i.name;
        kinds.push_back(i.iscsi ? 1 : 0);
    }
    const short needNames = static_cast<short>(joined.empty() ? 0 : joined.size() + 1);
    const short needTypes = static_cast<short>(kinds.size() + 1);
    if (count) *count = static_cast<short>(initiators.size());
    // The sizing call (or a short buffer) is told the lengths only.
    const bool fits = names && types && nameLength && typeLength && *nameLength >= needNames &&
                      *typeLength >= needTypes;
    if (fits) {
        CopyInto(names, *nameLength, joined);
        CopyInto(types, *typeLength, kinds);
    }
    if (nameLength) *nameLength = needNames;
    if (typeLength) *typeLength = needTypes;
    return fits || names == nullptr || types == nullptr;
}

bool FakeZROSUtil::detectHostHBA(const char* hostIdentifier, const char* controlHost, char* buffer,
                                 short* size, bool* iscsi) {
    int answer = hostHBA.serveRecord(buffer, size);
    if (answer == 0) {
        if (iscsi) *iscsi = hostHBAIscsi;
        return true;
    }
    if (answer != 2 && size) *size = 0;
    return false;
}

int64_t FakeZROSUtil::getJobId() { return jobId; }

int FakeZROSUtil::GetPageInforForVMwareDevice(const char* hostPath, const char* lunUuid,
                                              const char* nameSpace, int applicationId, int fleetId,
                                              int nameSpaceCode, int reserved, int bufferSize,
                                              char* buffer) {
    std::string ask = std::string(Safe(hostPath)) + "|" + Safe(lunUuid) + "|" + Safe(nameSpace);
    for (int n : {applicationId, fleetId, nameSpaceCode, reserved, bufferSize})
        ask += "|" + std::to_string(n);
    pageAsks.push_back(ask);
    if (pageResult != 0) return pageResult;
    auto it = vmwarePages.find(Safe(nameSpace));
    if (it == vmwarePages.end()) return 1;
    CopyInto(buffer, bufferSize, it->second);
    return 0;
}

unsigned short FakeZROSUtil::getArrayConfig(int controlHostId, void*, const char* setting,
                                            char* buffer, short* size) {
    configAsks.push_back(size ? *size : -1);
    auto it = arrayConfig.find(std::make_pair(controlHostId, std::string(Safe(setting))));
    if (it == arrayConfig.end()) return 65535;
    CopyInto(buffer, size ? *size : 0, it->second);
    return 0;
}
