#include "engine/identity/ArrayLogin.h"

#include <vector>

#include "engine/common/Codes.h"
#include "engine/common/HostBuffer.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Redact.h"
#include "engine/identity/Credentials.h"
#include "xiv/TextHelpers.h"

namespace {

const char* const kArrayType = "IBM XIV";
const char* const kNoArrayListText = "Unable to get list of IBM XIV arrays.";
constexpr int kArrayListBufferSize = 1024;
constexpr int kArrayInfoBufferSize = 4096;

// The control hosts of the array list: split at every ':', the last piece
// running to the end; an empty list is one empty control host.
std::vector<std::string> ControlHosts(const std::string& list) {
    std::vector<std::string> hosts;
    splitByDelim(list, ":", hosts);
    return hosts;
}

// The walk over the registered arrays. The two kinds of caller differ only
// in what they say at each turn and in what makes an array info's id
// usable; each kind is a subclass.
class LoginLookup {
public:
    LoginLookup(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil, XIVFilerSnapInfo& record,
                const char* function)
        : info_(info), osUtil_(osUtil), record_(record), function_(function) {}
    virtual ~LoginLookup() = default;

    int Run(const std::string& firstId, const std::string& secondId);

protected:
    virtual void ReportNoArrayList(int status) = 0;
    virtual std::string NoArrayInfoText(int status) = 0;
    virtual void ReportFirstIdMissing(const std::string& firstId, const std::string& secondId) {}
    virtual void ReportSecondIdMissing(const std::string& secondId) {}
    // Whether the id found at `at` of the upper-cased array info (npos: not
    // found) names this array; may complete sArrayId.
    virtual bool Accept(const std::string& upper, size_t at) { return at != std::string::npos; }
    virtual std::string FoundLine() = 0;
    virtual void ReportNotRegistered(const std::string& list) = 0;

    void Log(int level, const std::string& text) { RecordLog(info_, level, function_, text); }
    void SetError(int code, const std::string& text) {
        if (info_ != nullptr) info_->setError(code, text.c_str());
    }

    ZRSO::SnapInfo* info_;
    ZRSO::ZROSUtil* osUtil_;
    XIVFilerSnapInfo& record_;
    const char* function_;

private:
    bool ReadArrayList(HostTextResult& list);
    bool ReadArrayInfo(const std::string& controlHost, HostTextResult& arrayInfo);
    size_t Locate(const std::string& upper, const std::string& firstId,
                  const std::string& secondId);
    bool TakeLogin(const std::string& arrayInfo);
};

int LoginLookup::Run(const std::string& firstId, const std::string& secondId) {
    HostTextResult list;
    if (!ReadArrayList(list)) return 0;
    Log(ZRSO::LOG_DETAIL,
        FormatMessage1024("%s:Got array list [%s]", function_, list.text.c_str()));
    for (const std::string& controlHost : ControlHosts(list.text)) {
        HostTextResult arrayInfo;
        if (!ReadArrayInfo(controlHost, arrayInfo)) return 0;
        const std::string upper = StringToUpper(arrayInfo.text);
        if (!Accept(upper, Locate(upper, firstId, secondId))) continue;
        // The first array that holds the id decides, complete or not.
        if (TakeLogin(arrayInfo.text)) return 1;
        break;
    }
    ReportNotRegistered(list.text);
    return 0;
}

bool LoginLookup::ReadArrayList(HostTextResult& list) {
    HostTextRequest request;
    request.bufferSize = kArrayListBufferSize;
    if (osUtil_ != nullptr) {
        list = ReadServiceText(
            [this](char* buffer, short size) {
                return osUtil_->getArrayList(kArrayType, ':', size, buffer);
            },
            request);
    }
    if (list.ok()) return true;
    ReportNoArrayList(list.status);
    return false;
}

bool LoginLookup::ReadArrayInfo(const std::string& controlHost, HostTextResult& arrayInfo) {
    Log(ZRSO::LOG_DETAIL,
        FormatMessage1024("%s:Going to get array info for the array with control host [%s]",
                          function_, controlHost.c_str()));
    HostTextRequest request;
    request.bufferSize = kArrayInfoBufferSize;
    arrayInfo = ReadServiceText(
        [this, &controlHost](char* buffer, short size) {
            short inOut = size;
            return osUtil_->fetchArrayInfo(controlHost.c_str(), buffer, &inOut);
        },
        request);
    if (arrayInfo.ok()) return true;
    const std::string message = NoArrayInfoText(arrayInfo.status);
    Log(ZRSO::LOG_ERROR, message);
    SetError(kArrayLoginCode, message);
    return false;
}

// The id is looked for as plain text anywhere in the array info; a hit of
// the second id replaces sArrayId.
size_t LoginLookup::Locate(const std::string& upper, const std::string& firstId,
                           const std::string& secondId) {
    size_t at = firstId.empty() ? std::string::npos : upper.find(firstId);
    if (at != std::string::npos) return at;
    ReportFirstIdMissing(firstId, secondId);
    at = secondId.empty() ? std::string::npos : upper.find(secondId);
    if (at != std::string::npos) {
        record_.sArrayId = secondId;
    } else {
        ReportSecondIdMissing(secondId);
    }
    return at;
}

bool LoginLookup::TakeLogin(const std::string& arrayInfo) {
    ParseArrayInfo(arrayInfo.c_str(), record_, info_);
    Log(ZRSO::LOG_DETAIL, FormatMessage1024("%s", FoundLine().c_str()));
    if (record_.sHostName.empty() || record_.sHostUserName.empty() ||
        record_.sHostPassword.empty()) {
        Log(ZRSO::LOG_ERROR, "Not all required fields are available.");
        return false;
    }
    return true;
}

class HostDiskLogin : public LoginLookup {
public:
    using LoginLookup::LoginLookup;

protected:
    void ReportNoArrayList(int status) override {
        Log(ZRSO::LOG_DETAIL,
            FormatMessage1024("Unable to get list of IBM XIV arrays.... Error = %d", status));
        SetError(kNoArrayListCode, kNoArrayListText);
    }
    std::string NoArrayInfoText(int status) override {
        return FormatMessage1024("Unable to get ArrayInfo for the array %s.... Error = %d",
                                 record_.sArrayId.c_str(), status);
    }
    std::string FoundLine() override {
        return "GetFilerInfo: For the filer [" + record_.sArrayId + "] controlhost [" +
               record_.sHostName + "] username [" + record_.sHostUserName + "] password [***]";
    }
    void ReportNotRegistered(const std::string& list) override {
        const std::string message = FormatMessage1024(
            "This array [%s] is not present among the list of Arrays [%s] retrieved from "
            "database.",
            record_.sArrayId.c_str(), list.c_str());
        Log(ZRSO::LOG_ERROR, message);
        SetError(kArrayNotRegisteredCode, message);
    }
};

class VmwareLogin : public LoginLookup {
public:
    using LoginLookup::LoginLookup;

protected:
    void ReportNoArrayList(int status) override {
        SetError(kNoArrayListCode, kNoArrayListText);
        Log(ZRSO::LOG_ERROR,
            FormatMessage1024("%s:Unable to get list of IBM XIV arrays.... Error = %d", function_,
                              status));
    }
    std::string NoArrayInfoText(int status) override {
        return FormatMessage1024("%s:Unable to get ArrayInfo for the array %s.... Error = %d",
                                 function_, record_.sArrayId.c_str(), status);
    }
    void ReportFirstIdMissing(const std::string& firstId, const std::string& secondId) override {
        Log(ZRSO::LOG_INFO,
            FormatMessage1024("ArrayID=[%s] not found in arrayData, looking for HEX ArrayID=[%s]",
                              firstId.c_str(), secondId.c_str()));
    }
    void ReportSecondIdMissing(const std::string& secondId) override {
        Log(ZRSO::LOG_ERROR,
            FormatMessage1024("HEX ArrayID=[%s] was not found too.", secondId.c_str()));
    }
    // The serial follows the two characters that complete it.
    bool Accept(const std::string& upper, size_t at) override {
        if (at == std::string::npos || at < 2) {
            std::string masked = upper;
            MaskPassword(masked);
            Log(ZRSO::LOG_ERROR,
                FormatMessage1024("arrayData=[%s], nPos=[%d]", masked.c_str(),
                                  at == std::string::npos ? -1 : static_cast<int>(at)));
            return false;
        }
        if (record_.sArrayId.size() <= 6)
            record_.sArrayId = upper.substr(at - 2, 2) + record_.sArrayId;
        Log(ZRSO::LOG_DETAIL, FormatMessage1024("Using ArrayID=[%s]", record_.sArrayId.c_str()));
        return true;
    }
    std::string FoundLine() override {
        return "GetFilerInfoVMWare: For the array [" + record_.sArrayId + "] hostname [" +
               record_.sHostName + "] username [" + record_.sHostUserName + "] password [***]";
    }
    void ReportNotRegistered(const std::string& list) override {
        Log(ZRSO::LOG_ERROR,
            FormatMessage1024(
                "%s: This array (%s) is not present in the list of Arrays (%s) given.", function_,
                record_.sArrayId.c_str(), list.c_str()));
        SetError(kArrayNotRegisteredCode, "Cant find the IBM XIV array in database.");
    }
};

}  // namespace

int LookupArrayLogin(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil, XIVFilerSnapInfo& record,
                     std::string firstId, std::string secondId, LoginLookupStyle style,
                     const char* function) {
    if (style == LoginLookupStyle::kVMware)
        return VmwareLogin(info, osUtil, record, function).Run(firstId, secondId);
    return HostDiskLogin(info, osUtil, record, function).Run(firstId, secondId);
}
