// The host inventory database in memory: arrays, and per client id its pools
// and volumes, per volume record its LUN records. find/add work on the
// stored records; every write is recorded on the record written.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Recorded.h"
#include "host/HostInventory.h"

class FakeArrayEntry : public ZRSO::ArrayEntry {
public:
    int clientId = 1;
    std::string name;
    int arrayId = 1;
    // What getArrayCredentials hands out for this array's name.
    std::string user, encryptedPassword, controlHost;

    std::vector<int> statuses;
    std::vector<uint64_t> totals, frees;

    int getClientId() override { return clientId; }
    int getArrayName(char* buffer, int capacity, int* id) override;
    void setFlag(int) override {}
    void setStatus(int status) override { statuses.push_back(status); }
    void setTotalSpace(uint64_t mib) override { totals.push_back(mib); }
    void setFreeSpace(uint64_t mib) override { frees.push_back(mib); }
};

class FakePoolRecord : public ZRSO::PoolRecord {
public:
    std::string name;
    int recordId = 0;

    std::vector<int> statuses;
    std::vector<uint64_t> useds, frees;

    int getName(char* buffer, int capacity, int* id) override;
    void setStatus(int status) override { statuses.push_back(status); }
    void setTotalSpace(uint64_t) override {}
    void setUsedSpace(uint64_t mib) override { useds.push_back(mib); }
    void setFreeSpace(uint64_t mib) override { frees.push_back(mib); }
    void setPoolId(const char*) override {}
};

class FakeVolumeRecord : public ZRSO::VolumeRecord {
public:
    std::string name;
    int recordId = 0;

    std::vector<int> poolRecordIds, statuses;
    std::vector<uint64_t> sizes, frees;

    int getName(char* name, int nameCapacity, char* text, int textCapacity, int* id) override;
    void setPoolRecordId(int id) override { poolRecordIds.push_back(id); }
    void setStatus(int status) override { statuses.push_back(status); }
    void setSize(uint64_t mib) override { sizes.push_back(mib); }
    void setUsedSpace(uint64_t) override {}
    void setFreeSpace(uint64_t mib) override { frees.push_back(mib); }
    void setName(const char*) override {}
    void setText(const char*) override {}
};

class FakeLunRecord : public ZRSO::LunRecord {
public:
    std::string volumeName;  // what findLun matches on
    // Every setter call in order, as "name=value", for order checks.
    std::vector<std::string> calls;
    std::vector<int> statuses;

    void setVolumeRecordId(int id) override { note("volumeRecordId", id); }
    void setStatus(int status) override {
        statuses.push_back(status);
        note("status", status);
    }
    void setSize(uint64_t bytes) override { note("size", static_cast<int64_t>(bytes)); }
    void setUsedSpace(uint64_t bytes) override { note("used", static_cast<int64_t>(bytes)); }
    void setFreeSpace(uint64_t bytes) override { note("free", static_cast<int64_t>(bytes)); }
    void setAccessible(int value) override { note("accessible", value); }
    void setShared(int value) override { note("shared", value); }
    void setHostLun(int value) override { note("hostLun", value); }

private:
    void note(const char* what, int64_t value) {
        calls.push_back(std::string(what) + "=" + std::to_string(value));
    }
};

struct AddPoolCall {
    std::string name;
    uint64_t sizeMiB, usedMiB;
    int newRecordId;
};

struct AddVolumeCall {
    int tempVolumeId;
    std::string name;
    int poolRecordId;
};

struct AddLunCall {
    int tempLunId, tempVolumeId;
    std::string name;
};

class FakeInventory : public ZRSO::HostInventory {
public:
    FakeArrayEntry& addArray(const std::string& name, int clientId, int arrayId);
    FakePoolRecord& addStoredPool(int clientId, const std::string& name);
    FakeVolumeRecord& addStoredVolume(int clientId, const std::string& name);
    FakeLunRecord& addStoredLun(int volumeRecordId, const std::string& volumeName);

    std::vector<std::unique_ptr<FakeArrayEntry>> arrays;
    std::map<int, std::vector<std::unique_ptr<FakePoolRecord>>> pools;      // by client id
    std::map<int, std::vector<std::unique_ptr<FakeVolumeRecord>>> volumes;  // by client id
    std::map<int, std::vector<std::unique_ptr<FakeLunRecord>>> luns;        // by volume record id

    int arrayListResult = 0;

    std::vector<AddPoolCall> poolsAdded;
    std::vector<AddVolumeCall> volumesAdded;
    std::vector<AddLunCall> lunsAdded;
    std::vector<std::string> credentialAsks;

    int getArrayList(ZRSO::ArrayEntry*** entries, int* count) override;
    int getPoolList(ZRSO::PoolRecord*** list, int* count, int clientId) override;
    int getVolumeList(ZRSO::VolumeRecord*** list, int* count, int clientId) override;
    int getLunList(ZRSO::LunRecord*** list, int* count, int volumeRecordId) override;
    int getArrayCredentials(const char* arrayName, char* text1, int text1Capacity, char* text2,
                            int text2Capacity, char* text3, int text3Capacity, char* user,
                            int userCapacity, char* encryptedPassword, int passwordCapacity,
                            char* controlHost, int controlHostCapacity) override;
    int findPool(ZRSO::PoolRecord** pool, int* poolRecordId, const char* poolName,
                 int* clientId) override;
    int addPool(int arrayId, int clientId, const char* poolName, uint64_t sizeMiB, uint64_t usedMiB,
                const char* text1, int value1, const char* text2, int* newPoolRecordId,
                int value2) override;
    int findVolume(ZRSO::VolumeRecord** volume, int* volumeRecordId, const char* name,
                   const char* name2, int clientId) override;
    int addVolume(int tempVolumeId, int clientId, const char* name, const char* name2,
                  uint64_t sizeMiB, uint64_t usedMiB, const char* text, int value, int poolRecordId,
                  const char* text2) override;
    int findLun(ZRSO::LunRecord** lun, const char* name, const char* name2,
                int volumeRecordId) override;
    int addLun(int tempLunId, int tempVolumeId, const char* name, const char* name2,
               uint64_t sizeBytes, uint64_t usedBytes, const char* text, int value,
               const char* text2) override;

private:
    int nextRecordId_ = 1000;
    // Pointer arrays handed out stay valid until the inventory goes.
    std::vector<std::shared_ptr<void>> handedOut_;
    template <class T, class U>
    int handOut(std::vector<std::unique_ptr<U>>& records, T*** out, int* count);
    // A new stored record of that name with the next record id.
    template <class R>
    R& store(std::vector<std::unique_ptr<R>>& records, const std::string& name);
    // The stored record of that name, its id handed out; nullptr when none.
    template <class R>
    R* find(std::vector<std::unique_ptr<R>>& records, const char* name, int* recordId);
};
