#include "FakeZROSUtil.h"

#include <cstring>

namespace {

std::vector<std::string> NullEnded(const char** list) {
    std::vector<std::string> out;
    for (; list && *list; ++list) out.push_back(*list);
    return out;
}

std::string Join(const std::vector<std::string>& items, char separator) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += separator;
        out += items[i];
    }
    return out;
}

}  // namespace

void FakeZROSUtil::rescanDevices(const char* host, const char** inits, const char** devices) {
    rescans.push_back(RescanCall{Safe(host), NullEnded(inits), NullEnded(devices)});
}

int FakeZROSUtil::listHostDevices(const char* host, const char* vendor, char separator, int size,
                                  char* buffer) {
    hostDevicesScript.setText(Join(hostDevices, separator));
    return hostDevicesScript.serveService(buffer, size);
}

short FakeZROSUtil::getArrayList(const char* type, char separator, short size, char* buffer) {
    arrayListTypes.push_back(Safe(type));
    arrayListScript.setText(Join(arrays, separator));
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

bool FakeZROSUtil::detectHBAlist(const char* clientHost, const char* controlHost, char* names,
                                 short* nameLength, char* types, short* typeLength, short* count) {
    std::vector<std::string> list;
    std::string kinds;
    for (const FakeInitiator& i : initiators) {
        list.push_back(i.name);
        kinds.push_back(i.iscsi ? 1 : 0);
    }
    std::string joined = Join(list, ',');
    short needNames = static_cast<short>(joined.empty() ? 0 : joined.size() + 1);
    short needTypes = static_cast<short>(kinds.size() + 1);
    if (count) *count = static_cast<short>(initiators.size());
    bool fits = names && types && nameLength && typeLength && *nameLength >= needNames &&
                *typeLength >= needTypes;
    if (!fits) {
        // The sizing call (or a short buffer): report the lengths.
        if (nameLength) *nameLength = needNames;
        if (typeLength) *typeLength = needTypes;
        return names == nullptr || types == nullptr;
    }
    CopyInto(names, *nameLength, joined);
    std::memset(types, 0, static_cast<size_t>(*typeLength));
    std::memcpy(types, kinds.data(), kinds.size());
    *nameLength = needNames;
    *typeLength = needTypes;
    return true;
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
    pageAsks.push_back(VMwarePageCall{Safe(hostPath), Safe(lunUuid), Safe(nameSpace), applicationId,
                                      fleetId, nameSpaceCode, reserved, bufferSize});
    if (pageResult != 0) return pageResult;
    auto it = vmwarePages.find(Safe(nameSpace));
    if (it == vmwarePages.end()) return 1;
    CopyInto(buffer, bufferSize, it->second);
    return 0;
}

unsigned short FakeZROSUtil::getArrayConfig(int controlHostId, void*, const char* setting,
                                            char* buffer, short* size) {
    configAsks.push_back(ArrayConfigCall{size ? *size : -1});
    auto it = arrayConfig.find(std::make_pair(controlHostId, std::string(Safe(setting))));
    if (it == arrayConfig.end()) return 65535;
    CopyInto(buffer, size ? *size : 0, it->second);
    return 0;
}
