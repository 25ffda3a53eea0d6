// The host inventory handed to zrso_getArrayInfo: registered arrays with
// their pools, volumes and LUN records. Objects and pointer arrays handed out
// stay valid until this object is destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/HostInventory.h"

namespace refhost {

class HostDatabase;

// What the plug-in is at, for progress lines: an array begins, a pool of it
// begins, a volume of that pool is looked up, the sweep of what is gone begins.
struct InventoryEvent {
    enum Kind { kArray, kPool, kVolume, kSweep } kind;
    std::string name;
};

class HostInventoryDb : public ZRSO::HostInventory {
public:
    explicit HostInventoryDb(HostDatabase& db);
    ~HostInventoryDb() override;

    void setEventSink(std::function<void(const InventoryEvent&)> sink) {
        events_ = std::move(sink);
    }

    int getArrayList(ZRSO::ArrayEntry*** entries, int* count) override;
    int getPoolList(ZRSO::PoolRecord*** pools, int* count, int clientId) override;
    int getVolumeList(ZRSO::VolumeRecord*** volumes, int* count, int clientId) override;
    int getLunList(ZRSO::LunRecord*** luns, int* count, int volumeRecordId) override;
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

    // The real record id behind a temporary volume id of the current pass, or 0.
    int64_t realVolumeId(int tempVolumeId) const;
    int64_t realLunId(int tempLunId) const;

private:
    void tell(InventoryEvent::Kind kind, const std::string& name);
    ZRSO::PoolRecord* pool(int64_t id);
    ZRSO::VolumeRecord* volume(int64_t id);
    ZRSO::LunRecord* lun(int64_t id);

    HostDatabase& db_;
    std::function<void(const InventoryEvent&)> events_;
    // Everything handed out lives until destruction; lists keep their own
    // pointer arrays (std::list: handed-out arrays never move).
    std::vector<std::unique_ptr<ZRSO::ArrayEntry>> entries_;
    std::vector<std::unique_ptr<ZRSO::PoolRecord>> pools_;
    std::vector<std::unique_ptr<ZRSO::VolumeRecord>> volumes_;
    std::vector<std::unique_ptr<ZRSO::LunRecord>> luns_;
    std::list<std::vector<ZRSO::ArrayEntry*>> entryArrays_;
    std::list<std::vector<ZRSO::PoolRecord*>> poolArrays_;
    std::list<std::vector<ZRSO::VolumeRecord*>> volumeArrays_;
    std::list<std::vector<ZRSO::LunRecord*>> lunArrays_;
    // Temporary ids restart at -1 for every array: they are only meaningful
    // within the pass over one array (clientId of the last addVolume).
    int passClientId_ = 0;
    std::map<int, int64_t> tempVolumes_;
    std::map<int, int64_t> tempLuns_;
};

}  // namespace refhost
