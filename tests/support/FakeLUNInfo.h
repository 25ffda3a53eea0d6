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
    int getVolumeName(char* buf, short* size) override { return volumeName.serveRecord(buf, size); }
    int getArrayName(char* buf, short* size) override { return arrayName.serveRecord(buf, size); }
    int getArrayControlHost(char* buf, short* size) override {
        return arrayControlHost.serveRecord(buf, size);
    }
    int getArrayUser(char* buf, short* size) override { return arrayUser.serveRecord(buf, size); }
    int getArrayPassword(char* buf, short* size) override {
        return arrayPassword.serveRecord(buf, size);
    }
    int getPoolName(char* buf, short* size) override { return poolName.serveRecord(buf, size); }
    int getMapRequest(char* buf, short* size) override { return mapRequest.serveRecord(buf, size); }
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
