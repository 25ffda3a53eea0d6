// A host provisioning record that answers from scriptable fields and records
// every write the plug-in makes.
#pragma once

#include <cstdint>
#include <functional>
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
    int64_t usedSize = 0;
    int64_t jobId = 77;
    int setterResult = 0;
    std::function<void(const char* operation)> onCall;  // throw to inject a fault

    // --- recorded writes -------------------------------------------------
    std::vector<std::string> lunNames;
    std::vector<int64_t> volumeSizesSet;
    std::vector<int> statuses;
    std::vector<ErrorEntry> errors;
    std::vector<std::string> volumeNamesSet;
    std::vector<std::string> lunVolumesSet;
    std::vector<std::vector<ZRSO::IGroupInfo>> initiatorGroupsSet;
    std::vector<int*> endPointIdsSet;  // the pointers handed over

    const ErrorEntry* lastError() const { return errors.empty() ? nullptr : &errors.back(); }
    int lastStatus() const { return statuses.empty() ? -1 : statuses.back(); }

    // --- ZRSO::LUNInfo ---------------------------------------------------
    int getVolumeName(char* buf, short* size) override;
    int getArrayName(char* buf, short* size) override;
    int getArrayControlHost(char* buf, short* size) override;
    int getArrayUser(char* buf, short* size) override;
    int getArrayPassword(char* buf, short* size) override;
    int setLunName(const char* name) override;
    int getPoolName(char* buf, short* size) override;
    int getVolumeSize(int64_t* bytes) override;
    int setVolumeSize(int64_t* bytes) override;
    int getUsedSize(int64_t* bytes) override;
    int setStatus(int status) override;
    int setError(int code, const char* message) override;
    int64_t getJobId() override;
    int setVolumeName(const std::string& name) override;
    int setLunVolume(const std::string& name) override;
    int setInitiatorGroups(std::vector<ZRSO::IGroupInfo>& groups, int* endPointId) override;
    int getMapRequest(char* buf, short* size) override;

private:
    void called(const char* operation) {
        if (onCall) onCall(operation);
    }
};
