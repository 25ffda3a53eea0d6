#include "engine/identity/FilerInfoVMWare.h"

#include <cstdlib>
#include <vector>

#include "engine/common/AttributeText.h"
#include "engine/common/HostBuffer.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Redact.h"
#include "engine/identity/ArrayLogin.h"
#include "engine/identity/DeviceIdentifier.h"
#include "xiv/TextHelpers.h"

namespace {

const char* const kFunction = "GetFilerInfoVMWare";
constexpr int kPageBufferSize = 4096;
// Namespace codes and the fixed argument the host's page request takes.
constexpr int kNaaCode = 3;
constexpr int kUnknownCode = 5;
constexpr int kPageRequestValue = 42;
// Hex digits of the descriptor header; the last two give the identifier length.
constexpr size_t kHeaderDigits = 8;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// One page request into a zeroed buffer; 0 with the text, else the server's error.
int RequestPage(ZRSO::ZROSUtil* osUtil, const std::string& hostPath, const std::string& lunUuid,
                const char* nameSpace, int appId, int fleetId, int code, std::string& text) {
    // One byte more than announced keeps the text terminated whatever is written.
    std::vector<char> buffer(kPageBufferSize + 1, '\0');
    int answer = osUtil->GetPageInforForVMwareDevice(hostPath.c_str(), lunUuid.c_str(), nameSpace,
                                                     appId, fleetId, code, kPageRequestValue,
                                                     kPageBufferSize, buffer.data());
    text = answer == 0 ? std::string(buffer.data()) : std::string();
    return answer;
}

void LogPageFailure(ZRSO::SnapInfo* info, const std::string& hostPath, const std::string& lunUuid,
                    int fleetId, int appId, const char* nameSpace, int answer) {
    RecordLog(info, ZRSO::LOG_ERROR, kFunction,
              FormatText("[Host - %s] [LUNUUID - %s] [FleetID - %u] [AppID - %u] ",
                         TextBeforePassword(hostPath).c_str(), lunUuid.c_str(),
                         static_cast<unsigned>(fleetId), static_cast<unsigned>(appId)));
    RecordLog(info, ZRSO::LOG_ERROR, kFunction,
              FormatText("[ERROR] Couldn't get %s namespace details VMWare-Server(%d).", nameSpace,
                         answer));
}

// The host path of the VMware server: the source path as the host gives
// it, or, for identity only, the "esxname" of the mount path.
bool HostPath(ZRSO::SnapInfo* info, bool identityOnly, std::string& path) {
    HostTextRequest request;
    request.bufferSize = kPageBufferSize;
    request.firstSizeArg = kPageBufferSize - 1;
    const int id = identityOnly ? ZRSO::HOSTPATH_MOUNT : ZRSO::HOSTPATH_SOURCE;
    HostTextResult answer = ReadRecordText(
        [info, id](char* buffer, short* size) { return info->getHostPath(id, buffer, size); },
        request);
    if (!answer.ok()) {
        RecordLog(
            info, ZRSO::LOG_ERROR, kFunction,
            identityOnly ? "Unable to get Host-Mount path." : "Unable to get Host-Source path.");
        return false;
    }
    path.clear();
    if (identityOnly) {
        GetJsonVal(answer.text, "esxname", path);
    } else {
        path = answer.text;
    }
    return true;
}

void Log(ZRSO::SnapInfo* info, int level, const std::string& text) {
    RecordLog(info, level, kFunction, text);
}

// The array ids from the device identifier, upper-cased; false (logged) when
// it names no XIV array.
bool ReadArrayIds(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil, const std::string& device,
                  XIVFilerSnapInfo& record) {
    const long long jobId = osUtil != nullptr ? osUtil->getJobId() : -1;
    record.sHostName.clear();
    record.sArrayId.clear();
    Log(info, ZRSO::LOG_INFO, "Parsing DeviceID=[" + device + "]");
    if (!ParseDeviceIdentifier(static_cast<unsigned long long>(jobId), device, record, info)) {
        Log(info, ZRSO::LOG_ERROR,
            "Error:Unable to determine the file server information for device " + device);
        return false;
    }
    record.sArrayId = StringToUpper(record.sArrayId);
    record.sArrayHexId = StringToUpper(record.sArrayHexId);
    Log(info, ZRSO::LOG_INFO,
        "Retreived ArrayID=[" + record.sArrayId + "], ArrayHexID=[" + record.sArrayHexId + "]");
    return true;
}

// The identification text the VMware server gives for the LUN: the NAA
// namespace, else the UNKNOWN one; false (logged) when the host cannot be
// asked or the server answers with an error.
bool AskIdentification(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil, const std::string& lunUuid,
                       bool identityOnly, std::string& page) {
    // Every host question below needs the record and the service object.
    if (info == nullptr || osUtil == nullptr) {
        Log(info, ZRSO::LOG_ERROR, "No host record or service object to ask.");
        return false;
    }
    int fleetId = 0, appId = 0;
    if (info->getIntProperty(ZRSO::INTPROP_FLEET_ID, &fleetId) != 0) {
        Log(info, ZRSO::LOG_ERROR, "Unable to get FleetID.");
        return false;
    }
    if (info->getIntProperty(ZRSO::INTPROP_APPLICATION_ID, &appId) != 0) {
        Log(info, ZRSO::LOG_ERROR, "Unable to get AppId.");
        return false;
    }
    std::string hostPath;
    if (!HostPath(info, identityOnly, hostPath)) return false;
    Log(info, ZRSO::LOG_DETAIL,
        FormatText("Inputs for GetPageInforForVMwareDevice API strHostPath[%s] sLunUuid[%s] "
                   "AppID[%d] FleetID [%d]",
                   TextBeforePassword(hostPath).c_str(), lunUuid.c_str(), appId, fleetId));

    int answer = RequestPage(osUtil, hostPath, lunUuid, "NAA", appId, fleetId, kNaaCode, page);
    if (answer != 0) {
        LogPageFailure(info, hostPath, lunUuid, fleetId, appId, "NAA", answer);
        return false;
    }
    Log(info, ZRSO::LOG_DETAIL, "[Inquiry-VmWare Bytes - NAA] [" + page + "]");
    if (!page.empty()) return true;
    Log(info, ZRSO::LOG_DETAIL, "NAA is empty, reading UNKNOWN namespace.");
    answer = RequestPage(osUtil, hostPath, lunUuid, "UNKNOWN", appId, fleetId, kUnknownCode, page);
    if (answer != 0) {
        LogPageFailure(info, hostPath, lunUuid, fleetId, appId, "UNKNOWN", answer);
        return false;
    }
    Log(info, ZRSO::LOG_DETAIL, "[Inquiry-VmWare Bytes - UNKOWN] [" + page + "]");
    return true;
}

// The volume's WWN from the identification text: hex digits after an 8-digit
// header whose last byte is the identifier length; the text must hold every
// digit it promises. False (logged) otherwise.
bool ReadWwn(ZRSO::SnapInfo* info, std::string page, std::string& wwn) {
    static const std::string kMarker = "*_ZRSO_*";
    for (size_t at = page.find(kMarker); at != std::string::npos; at = page.find(kMarker)) {
        page.erase(at, kMarker.size());
    }
    if (page.size() < kHeaderDigits || !IsHexDigit(page[6]) || !IsHexDigit(page[7])) {
        Log(info, ZRSO::LOG_ERROR, "The identification text [" + page + "] has no valid header.");
        return false;
    }
    const size_t length = std::strtoul(page.substr(6, 2).c_str(), nullptr, 16);
    Log(info, ZRSO::LOG_DETAIL, FormatText("Volume WWN Length[%d]", static_cast<int>(length)));
    if (length == 0) {
        Log(info, ZRSO::LOG_ERROR, "The identification text [" + page + "] carries no identifier.");
        return false;
    }
    if (page.size() < kHeaderDigits + 2 * length) {
        Log(info, ZRSO::LOG_ERROR,
            FormatText("The identification text [%s] is shorter than its length %d promises.",
                       page.c_str(), static_cast<int>(length)));
        return false;
    }
    wwn = StringToUpper(page.substr(kHeaderDigits, 2 * length));
    return true;
}

}  // namespace

int GetFilerInfoVMWare(ZRSO::SnapInfo* info, const std::string& device, ZRSO::ZROSUtil* osUtil,
                       XIVFilerSnapInfo& record, bool identityOnly) {
    if (!ReadArrayIds(info, osUtil, device, record)) return 0;
    std::string lunUuid;
    GetJsonVal(device, "lunuuid", lunUuid);
    Log(info, ZRSO::LOG_ERROR, "Lun UUID[" + lunUuid + "]");
    std::string page;
    if (!AskIdentification(info, osUtil, lunUuid, identityOnly, page)) return 0;
    if (!ReadWwn(info, page, record.sVolumeId)) return 0;
    Log(info, ZRSO::LOG_DETAIL, "Volume WWN[" + record.sVolumeId + "]");

    if (identityOnly) return 1;
    return LookupArrayLogin(info, osUtil, record, record.sArrayId, record.sArrayHexId,
                            LoginLookupStyle::kVMware, kFunction);
}
