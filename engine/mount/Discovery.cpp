#include "engine/mount/Discovery.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "engine/common/HostBuffer.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Redact.h"
#include "xiv/Xiv.h"

namespace {

const char* const kHbaFunction = "ZrSnapXIV::detectHBA";
const char* const kDeviceListFunction = "ZrSnapXIV::getDeviceList";
const char* const kDebugHookFile = "/tmp/ZRSNAPHANDLERXIV_DEBUG_HOOK";
constexpr int kHostHbaBufferSize = 4096;
constexpr int kDeviceListBufferSize = 16384;

void RemoveColons(std::string& text) {
    text.erase(std::remove(text.begin(), text.end(), ':'), text.end());
}

// Text of a host-filled buffer, never past its end.
std::string BufferText(const std::vector<char>& buffer) {
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace

namespace {
std::string& HookPath() {
    static std::string path = kDebugHookFile;
    return path;
}
}  // namespace

bool DebugHookPresent() { return ::access(HookPath().c_str(), F_OK) == 0; }

void SetDebugHookPathForTesting(const std::string& path) {
    HookPath() = path.empty() ? kDebugHookFile : path;
}

int detectHBA(std::list<std::string>& initiators, bool& iscsi, std::string& controlHost,
              ZRSO::ZROSUtil* osUtil, std::string clientHost, Xiv* xiv, ZRSO::SnapInfo* info) {
    LoggedInQuery query = [xiv](std::list<std::string>& ports, std::list<std::string>& loggedIn,
                                XivError& error, std::string& result) {
        if (xiv == nullptr) {
            error.code = -1;
            error.text += "No array to ask.";
            return;
        }
        xiv->GetLoggedInHBAs(ports, loggedIn, error);
        result = xiv->GetResult();
    };
    return detectHBA(initiators, iscsi, controlHost, osUtil, std::move(clientHost), query, info);
}

namespace {

void LogHba(ZRSO::SnapInfo* info, int level, const std::string& text) {
    RecordLog(info, level, kHbaFunction, text);
}

// The host's initiator names of clientHost (comma-separated) and their
// kinds (one byte each, non-zero for iSCSI); false (logged) when the host
// names none.
bool AskHostForInitiators(ZRSO::ZROSUtil* osUtil, const std::string& clientHost,
                          const std::string& controlHost, ZRSO::SnapInfo* info,
                          std::string& nameList, std::vector<char>& types, short& count) {
    // Asked once without buffers to learn the lengths.
    short nameLength = 0, typeLength = 0;
    count = 0;
    osUtil->detectHBAlist(clientHost.c_str(), controlHost.c_str(), nullptr, &nameLength, nullptr,
                          &typeLength, &count);
    if (nameLength <= 0) {
        LogHba(info, ZRSO::LOG_ERROR, "Error:Unable to detect initiator info.");
        return false;
    }
    std::vector<char> names;
    try {
        // One zero byte past what the host is told keeps the names terminated.
        names.assign(static_cast<size_t>(nameLength) + 1, '\0');
        types.assign(static_cast<size_t>(std::max<short>(typeLength, 0)) + 1, '\0');
    } catch (const std::bad_alloc&) {
        LogHba(info, ZRSO::LOG_ERROR, "Error:Unable to allocate memory for HBAName.");
        return false;
    }
    short nameCapacity = nameLength, typeCapacity = static_cast<short>(types.size() - 1);
    count = 0;
    bool ok = osUtil->detectHBAlist(clientHost.c_str(), controlHost.c_str(), names.data(),
                                    &nameCapacity, types.data(), &typeCapacity, &count);
    if (!ok || nameCapacity == 0) {
        LogHba(info, ZRSO::LOG_ERROR, "Error:Unable to detect initiator info.");
        return false;
    }
    nameList = BufferText(names);
    LogHba(info, ZRSO::LOG_DETAIL, "HBA List returned from OS Util:[" + nameList + "]");
    return true;
}

// The initiators of a name list: Fibre Channel names without colons, iSCSI
// names as they are. iscsi tells the kind of the last one.
std::list<std::string> ParseInitiators(const std::string& nameList, const std::vector<char>& types,
                                       bool& iscsi, ZRSO::SnapInfo* info) {
    const size_t typeCount = types.size() - 1;
    std::list<std::string> detected;
    size_t index = 0, start = 0;
    while (start <= nameList.size()) {
        size_t end = nameList.find(',', start);
        if (end == std::string::npos) end = nameList.size();
        std::string token = nameList.substr(start, end - start);
        start = end + 1;
        if (token.empty()) continue;
        // A kind the host did not send counts as Fibre Channel.
        const bool tokenIscsi = index < typeCount && types[index] != 0;
        ++index;
        iscsi = tokenIscsi;
        std::string name = token;
        if (!tokenIscsi) RemoveColons(name);
        LogHba(info, ZRSO::LOG_DETAIL,
               FormatText("sToken = %s sHBAName = %s iSCSI = %d", token.c_str(), name.c_str(),
                          tokenIscsi ? 1 : 0));
        detected.push_back(name);
    }
    return detected;
}

// Appends to initiators those of detected the array logs in.
void AskArrayLoggedIn(const std::list<std::string>& detected, std::list<std::string>& initiators,
                      const LoggedInQuery& query, ZRSO::SnapInfo* info) {
    LogHba(info, ZRSO::LOG_DETAIL, "Printing the list of HBAs found...");
    for (const std::string& name : detected) LogHba(info, ZRSO::LOG_DETAIL, "HBA:[" + name + "]");
    // The query takes matched ports out of its list: hand it a copy so that
    // every detected port stays at hand for the fallback.
    std::list<std::string> ports = detected;
    XivError error;
    std::string result;
    query(ports, initiators, error, result);
    if (error.code != 0) {
        LogHba(info, ZRSO::LOG_ERROR,
               "detectHBA:" + error.text + "Unable to get logged in adapter list. Error [" +
                   result + "].");
    } else {
        LogHba(info, ZRSO::LOG_DETAIL, "GetLoggedInHBAs did not fail. sErr = [" + error.text + "]");
    }
}

}  // namespace

int detectHBA(std::list<std::string>& initiators, bool& iscsi, std::string& controlHost,
              ZRSO::ZROSUtil* osUtil, std::string clientHost, const LoggedInQuery& query,
              ZRSO::SnapInfo* info) {
    iscsi = true;
    LogHba(info, ZRSO::LOG_DETAIL, "Host Identifier: [" + TextBeforePassword(clientHost) + "]");
    LogHba(info, ZRSO::LOG_DETAIL, "Calling osutil detectHBAlist");
    if (osUtil == nullptr) {
        LogHba(info, ZRSO::LOG_ERROR, "Error:Unable to detect initiator info.");
        return 0;
    }
    std::string nameList;
    std::vector<char> types;
    short count = 0;
    if (!AskHostForInitiators(osUtil, clientHost, controlHost, info, nameList, types, count))
        return 0;

    std::list<std::string> detected;
    if (count > 0) {
        if (!controlHost.empty()) detected = ParseInitiators(nameList, types, iscsi, info);
        AskArrayLoggedIn(detected, initiators, query, info);
    }
    if (initiators.empty()) {
        for (const std::string& name : detected) initiators.push_front(name);
    }
    LogHba(info, ZRSO::LOG_DETAIL,
           FormatText("Returning initiator ID list length:[%lu] iSCSI:[%s] LoggedIn:[true]",
                      static_cast<unsigned long>(initiators.size()), iscsi ? "true" : "false"));
    if (DebugHookPresent()) {
        for (const std::string& name : initiators)
            LogHba(info, ZRSO::LOG_INFO, " Initiator [" + name + "]");
    }
    return 1;
}

int detectHBA(std::string& initiator, bool& iscsi, std::string& controlHost, ZRSO::ZROSUtil* osUtil,
              std::string hostIdentifier, ZRSO::SnapInfo* info) {
    initiator.clear();
    iscsi = true;
    RecordLog(info, ZRSO::LOG_DETAIL, kHbaFunction,
              "Host Identifier: [" + TextBeforePassword(hostIdentifier) + "]");
    if (osUtil == nullptr) {
        RecordLog(info, ZRSO::LOG_ERROR, kHbaFunction, "Unable to detect initiator info.");
        return 0;
    }
    std::vector<char> buffer(kHostHbaBufferSize + 1, '\0');
    short size = kHostHbaBufferSize;
    // The host may keep asking for another size; a host that never settles
    // is given up on like one that has no answer.
    for (int calls = 0;; ++calls) {
        if (calls >= kHostBufferOpenCallLimit)
            size = 0;
        else if (osUtil->detectHostHBA(hostIdentifier.c_str(), controlHost.c_str(), buffer.data(),
                                       &size, &iscsi))
            break;
        if (size <= 0) {
            RecordLog(info, ZRSO::LOG_ERROR, kHbaFunction, "Unable to detect initiator info.");
            return 0;
        }
        buffer.assign(static_cast<size_t>(size) + 1, '\0');
    }
    initiator = BufferText(buffer);
    if (!iscsi) RemoveColons(initiator);
    RecordLog(info, ZRSO::LOG_DETAIL, kHbaFunction, "a_sHBAName:[" + initiator + "]");
    return 1;
}

int getDeviceList(std::list<std::string>& devices, ZRSO::ZROSUtil* osUtil, const std::string& host,
                  const std::string& vendor, ZRSO::SnapInfo* info) {
    devices.clear();
    int answer = -1;
    std::vector<char> buffer;
    if (osUtil != nullptr) {
        int size = kDeviceListBufferSize;
        for (int calls = 0; calls < kHostBufferOpenCallLimit; ++calls) {
            buffer.assign(static_cast<size_t>(size) + 1, '\0');
            answer =
                osUtil->listHostDevices(host.c_str(), vendor.c_str(), '|', size, buffer.data());
            if (answer <= 0) break;
            size = answer;
        }
    }
    if (answer != 0) {
        RecordLog(info, ZRSO::LOG_ERROR, kDeviceListFunction, "Unable to get the device list");
        return 0;
    }
    const std::string text = BufferText(buffer);
    size_t start = 0;
    for (size_t end = text.find('|'); end != std::string::npos; end = text.find('|', start)) {
        devices.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) devices.push_back(text.substr(start));
    if (devices.empty())
        RecordLog(info, ZRSO::LOG_INFO, kDeviceListFunction, "Device list is empty");
    return 1;
}

void refreshSystemBus(ZRSO::ZROSUtil* osUtil, std::list<std::string> initiators,
                      std::list<std::string> devices, std::string host) {
    if (osUtil == nullptr) return;
    std::vector<const char*> initiatorArray, deviceArray;
    for (const std::string& name : initiators) initiatorArray.push_back(name.c_str());
    for (const std::string& name : devices) deviceArray.push_back(name.c_str());
    initiatorArray.push_back(nullptr);
    deviceArray.push_back(nullptr);
    osUtil->rescanDevices(host.c_str(), initiatorArray.data(), deviceArray.data());
}
