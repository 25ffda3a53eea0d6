// A host provisioning record that answers from scriptable fields and records
// the writes tests judge the plug-in on (status, error).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Recorded.h"
#include "TextScript.h"
#include "host/ZRSO.h"

class FakeLUNInfo : public ZRSO::LUNInfo {
public:
    // --- answers ---------------------------------------------------------
    TextScript volumeName;
    TextScript arrayName;
    TextScript arrayControlHost;
    TextScript arrayUser;
    TextScript arrayPassword;  // enciphered text, as the host keeps it
    TextScript poolName;
    TextScript mapRequest;
    int64_t volumeSize = 0;
    int volumeSizeResult = 0;
    int64_t jobId = 77;
    int setterResult = 0;  // answer of every set* operation

    // --- recorded writes -------------------------------------------------
    std::vector<int> statuses;
    std::vector<ErrorEntry> errors;

    const ErrorEntry* lastError() const { return errors.empty() ? nullptr : &errors.back(); }

    // --- ZRSO::LUNInfo ---------------------------------------------------
    int getVolumeName(char* b, short* s) override { return volumeName.serveRecord(b, s); }
    int getArrayName(char* b, short* s) override { return arrayName.serveRecord(b, s); }
    int getArrayControlHost(char* b, short* s) override {
        return arrayControlHost.serveRecord(b, s);
    }
    int getArrayUser(char* b, short* s) override { return arrayUser.serveRecord(b, s); }
    int getArrayPassword(char* b, short* s) override { return arrayPassword.serveRecord(b, s); }
    int getPoolName(char* b, short* s) override { return poolName.serveRecord(b, s); }
    int getMapRequest(char* b, short* s) override { return mapRequest.serveRecord(b, s); }
    int getVolumeSize(int64_t* bytes) override;
    int getUsedSize(int64_t* bytes) override;
    int64_t getJobId() override { return jobId; }
    int setLunName(const char*) override { return setterResult; }
    int setVolumeSize(int64_t*) override { return setterResult; }
    int setVolumeName(const std::string&) override { return setterResult; }
    int setLunVolume(const std::string&) override { return setterResult; }
    int setInitiatorGroups(std::vector<ZRSO::IGroupInfo>&, int*) override { return setterResult; }
    int setStatus(int status) override;
    int setError(int code, const char* message) override;
};
