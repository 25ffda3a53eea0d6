#include "engine/identity/Credentials.h"

#include <string>

#include "engine/common/AttributeText.h"
#include "engine/common/Codes.h"
#include "engine/common/HostBuffer.h"

namespace {

const char* const kNullInfoText = "Array info is NULL unable to get array login info";

}  // namespace

bool ParseArrayInfo(const char* arrayInfo, XIVFilerSnapInfo& record, ZRSO::SnapInfo* info) {
    if (arrayInfo == nullptr) {
        if (info) info->log(ZRSO::LOG_ERROR, "ParseArrayInfo", "%s", kNullInfoText);
        return false;
    }
    const std::string text(arrayInfo);
    // A key the text lacks leaves its member empty.
    record.sHostName.clear();
    record.sHostUserName.clear();
    record.sHostPassword.clear();
    CommaKeyValue(text, ",hostName:", record.sHostName);
    CommaKeyValue(text, ",hostUserName:", record.sHostUserName);
    CommaKeyValue(text, ",hostPassword:", record.sHostPassword);
    return true;
}

bool ParseForCredentials(const char* login, XIVFilerSnapInfo& record, ZRSO::SnapInfo* info) {
    if (login == nullptr) {
        if (info) info->log(ZRSO::LOG_ERROR, "ParseForCredentials", "%s", kNullInfoText);
        return false;
    }
    const std::string text(login);
    return GetJsonVal(text, "arrayId", record.sArrayId) &&
           GetJsonVal(text, "hostName", record.sHostName) &&
           GetJsonVal(text, "hostUserName", record.sHostUserName) &&
           GetJsonVal(text, "hostPassword", record.sHostPassword);
}

bool GetCredentials(ZRSO::SnapInfo* info, ZRSO::ZROSUtil*, const char*, XIVFilerSnapInfo& record) {
    static const char* const kFunction = "GetCredentials";
    if (info == nullptr) return false;
    HostTextRequest request;
    request.bufferSize = 4096;
    request.maxCalls = 3;
    HostTextResult login = ReadRecordText(
        [info](char* buffer, short* size) { return info->getArrayLogin(buffer, size); }, request);
    if (!login.ok()) {
        std::string message = "Unable to get credentials for the array [" + record.sHostName +
                              "]. Error = " + std::to_string(login.status);
        info->log(ZRSO::LOG_ERROR, kFunction, "%s", message.c_str());
        info->setError(kArrayLoginCode, message.c_str());
        return false;
    }
    if (!ParseForCredentials(login.text.c_str(), record, info)) {
        std::string message = "Array ID or UserId or Passaword not found for the control host [" +
                              record.sHostName + "].";
        info->log(ZRSO::LOG_ERROR, kFunction, "%s", message.c_str());
        info->setError(kArrayLoginCode, message.c_str());
        return false;
    }
    return true;
}
