#include "engine/provision/ProvisionSetup.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "engine/common/HostBuffer.h"
#include "engine/common/RecordArray.h"
#include "engine/common/XIVUtils.h"
#include "host/rt/PasswordCipher.h"

namespace {

// Capacities the host is offered for the login texts and the names.
constexpr int kLoginCapacity = 512;
constexpr int kNameCapacity = 256;

const char* const kMaskedPassword = "********";

// One fixed-size read: the host must deliver at the first call; "too small"
// counts as a failure like any other answer.
bool ReadField(const RecordTextGetter& getter, int capacity, std::string& out) {
    HostTextRequest request;
    request.bufferSize = capacity;
    request.maxCalls = 1;
    HostTextResult result = ReadRecordText(getter, request);
    if (!result.ok()) return false;
    out = result.text;
    return true;
}

// Overwrites a secret before its memory is given back.
void Wipe(char* data, size_t size) {
    volatile char* p = data;
    for (size_t i = 0; i < size; ++i) p[i] = '\0';
}

void Wipe(std::string& text) {
    if (!text.empty()) Wipe(&text[0], text.size());
    text.clear();
}

// The enciphered password as clear text; false when it does not decipher.
bool Decipher(const std::string& cipherText, std::string& plain) {
    std::vector<char> buffer(kLoginCapacity, '\0');
    unsigned long size = kLoginCapacity;
    PasswordCipher cipher;
    bool ok = cipher.decrypt(cipherText.c_str(), buffer.data(), &size) != 0;
    // A cipher that filled the whole buffer still leaves a terminated text.
    buffer.back() = '\0';
    if (ok) plain.assign(buffer.data());
    Wipe(buffer.data(), buffer.size());
    return ok;
}

}  // namespace

void ProvisionLog::Line(int level, const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    log_.DebugLvl(function_, level, jobId_, "%s", text);
}

void FailLun(ZRSO::LUNInfo* lun, ProvisionLog& log, const std::string& text) {
    log.Line(DebugLog::kError, "%s", text.c_str());
    lun->setError(kProvisionCode, text.c_str());
}

void FailLunOnArray(ZRSO::LUNInfo* lun, ProvisionLog& log, Xiv& xiv, const std::string& errorText) {
    if (!errorText.empty()) {
        FailLun(lun, log, errorText);
        return;
    }
    std::string result = xiv.GetResult();
    FailLun(lun, log, "The array answered [" + (result.empty() ? "no status" : result) + "].");
}

long BytesToGiB(int64_t bytes) { return static_cast<long>(bytes / (int64_t(1) << 30)); }

namespace {

// The LUN's texts and size the plan asks for; false when one is missing (the
// LUN then carries the step's text).
bool ReadLunFields(ZRSO::LUNInfo* lun, const LunSetupPlan& plan, ProvisionLog& log, LunSetup& setup,
                   std::string& passwordEnc) {
    struct Read {
        RecordTextGetter getter;
        int capacity;
        std::string* out;
        const char* failure;
    };
    std::vector<Read> reads = {
        {[lun](char* b, short* s) { return lun->getArrayName(b, s); }, kLoginCapacity,
         &setup.arrayName, "Failed to get Array Name"},
        {[lun](char* b, short* s) { return lun->getArrayControlHost(b, s); }, kLoginCapacity,
         &setup.controlHost, "Failed to get Array Control Host"},
        {[lun](char* b, short* s) { return lun->getArrayUser(b, s); }, kLoginCapacity, &setup.user,
         "Failed to get Array Login"},
        {[lun](char* b, short* s) { return lun->getArrayPassword(b, s); }, kLoginCapacity,
         &passwordEnc, "Failed to get Array Password"},
        {[lun](char* b, short* s) { return lun->getVolumeName(b, s); }, kNameCapacity,
         &setup.volumeName, "Failed to get Array volume name"},
    };
    if (plan.readPool)
        reads.push_back({[lun](char* b, short* s) { return lun->getPoolName(b, s); }, kNameCapacity,
                         &setup.poolName, "Failed to get Array Pool Name"});
    for (const Read& read : reads) {
        if (!ReadField(read.getter, read.capacity, *read.out)) {
            FailLun(lun, log, read.failure);
            return false;
        }
    }
    if (!plan.readSize) return true;
    int64_t bytes = 0;
    if (lun->getVolumeSize(&bytes) != 0) {
        FailLun(lun, log, "Failed to get volume Size");
        return false;
    }
    setup.sizeBytes = bytes;
    setup.sizeGiB = BytesToGiB(bytes);
    if (plan.logDetails) {
        log.Line(DebugLog::kError, "LUN size [%ld]", setup.sizeGiB);
        log.Line(DebugLog::kError, "LUN size [%ld]", setup.sizeGiB);
    }
    return true;
}

void LogLogin(ProvisionLog& log, const LunSetup& setup, const std::string& passwordEnc) {
    log.Line(DebugLog::kNormal, "Array Login [%s]", setup.user.c_str());
    log.Line(DebugLog::kNormal, "Array Password [%s]", passwordEnc.c_str());
    log.Line(DebugLog::kNormal, "Array Name [%s]", setup.arrayName.c_str());
    log.Line(DebugLog::kNormal, "Array Control Host [%s]", setup.controlHost.c_str());
    // Never the clear text: the log outlives the call and is readable by
    // more people than the array's administrators.
    log.Line(DebugLog::kNormal, "Array decrypted password [%s]", kMaskedPassword);
}

}  // namespace

bool SetUpLun(ZRSO::LUNInfo* lun, ZRSO::ZROSUtil* osUtil, const LunSetupPlan& plan,
              ProvisionLog& log, LunSetup& setup) {
    lun->setStatus(plan.startStatus);
    log.SetJob(lun->getJobId());

    std::string passwordEnc;
    if (!ReadLunFields(lun, plan, log, setup, passwordEnc)) return false;
    std::string password;
    if (!Decipher(passwordEnc, password)) {
        FailLun(lun, log, "Failed to decrypt");
        return false;
    }
    if (plan.logDetails) LogLogin(log, setup, passwordEnc);

    XIVUtils utils;
    setup.xcliPath = utils.GetXCLIpath(osUtil, log.Log(), setup.controlHost.c_str());
    if (setup.xcliPath.empty()) {
        Wipe(password);
        FailLun(lun, log, "Failed to get XIV SDK Path");
        return false;
    }
    // The array object logs into the job of the LUN it works for.
    setup.xiv.reset(
        new Xiv(setup.user, password, setup.controlHost, setup.xcliPath, XivLogger(lun)));
    Wipe(password);
    return true;
}

long ForEachLun(const char* function, ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil,
                const LunSetupPlan& plan, const LunWork& work) {
    ProvisionLog log(function);
    long succeeded = 0;
    for (int i = 0; i < count; ++i) {
        ZRSO::LUNInfo* lun = LunAt(luns, count, i);
        if (lun == nullptr) break;
        LunSetup setup;
        if (!SetUpLun(lun, osUtil, plan, log, setup)) break;
        if (!work(lun, setup, log)) break;
        ++succeeded;
    }
    return succeeded;
}
