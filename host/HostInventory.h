// Host inventory database as zrso_getArrayInfo sees it. The host owns every
// object and every pointer array handed out here; they stay valid until the
// HostInventory is destroyed. All int results: 0 = success unless noted.
#pragma once

#include <cstdint>

namespace ZRSO {

// Status values of the stored arrays, pools, volumes and LUN records.
enum InventoryStatus : int {
    INVENTORY_PRESENT = 0,
    INVENTORY_DELETED = 2,
};

class ArrayEntry {
public:
    virtual int getClientId() = 0;
    virtual int getArrayName(char* name, int capacity, int* arrayId) = 0;
    virtual void setFlag(int flag) = 0;
    virtual void setStatus(int status) = 0;
    virtual void setTotalSpace(uint64_t mib) = 0;
    virtual void setFreeSpace(uint64_t mib) = 0;
    virtual ~ArrayEntry() {}
};

class PoolRecord {
public:
    virtual int getName(char* name, int capacity, int* poolRecordId) = 0;
    virtual void setStatus(int status) = 0;  // InventoryStatus
    virtual void setTotalSpace(uint64_t mib) = 0;
    virtual void setUsedSpace(uint64_t mib) = 0;
    virtual void setFreeSpace(uint64_t mib) = 0;
    virtual void setPoolId(const char* id) = 0;
    virtual ~PoolRecord() {}
};

class VolumeRecord {
public:
    virtual int getName(char* name, int nameCapacity, char* text, int textCapacity,
                        int* volumeRecordId) = 0;
    virtual void setPoolRecordId(int id) = 0;
    virtual void setStatus(int status) = 0;
    virtual void setSize(uint64_t mib) = 0;
    virtual void setUsedSpace(uint64_t mib) = 0;
    virtual void setFreeSpace(uint64_t mib) = 0;
    virtual void setName(const char* name) = 0;
    virtual void setText(const char* text) = 0;
    virtual ~VolumeRecord() {}
};

class LunRecord {
public:
    virtual void setVolumeRecordId(int id) = 0;
    virtual void setStatus(int status) = 0;
    virtual void setSize(uint64_t bytes) = 0;
    virtual void setUsedSpace(uint64_t bytes) = 0;
    virtual void setFreeSpace(uint64_t bytes) = 0;
    // Host-defined fields the collection sets to 1, 0 and -1 on update.
    virtual void setAccessible(int value) = 0;
    virtual void setShared(int value) = 0;
    virtual void setHostLun(int value) = 0;
    virtual ~LunRecord() {}
};

class HostInventory {
public:
    virtual int getArrayList(ArrayEntry*** entries, int* count) = 0;
    virtual int getPoolList(PoolRecord*** pools, int* count, int clientId) = 0;
    virtual int getVolumeList(VolumeRecord*** volumes, int* count, int clientId) = 0;
    virtual int getLunList(LunRecord*** luns, int* count, int volumeRecordId) = 0;
    // The first three buffers are not read by the plug-in.
    virtual int getArrayCredentials(const char* arrayName, char* text1, int text1Capacity,
                                    char* text2, int text2Capacity, char* text3, int text3Capacity,
                                    char* user, int userCapacity, char* encryptedPassword,
                                    int passwordCapacity, char* controlHost,
                                    int controlHostCapacity) = 0;
    virtual int findPool(PoolRecord** pool, int* poolRecordId, const char* poolName,
                         int* clientId) = 0;  // 0 = found
    virtual int addPool(int arrayId, int clientId, const char* poolName, uint64_t sizeMiB,
                        uint64_t usedMiB, const char* text1, int value1, const char* text2,
                        int* newPoolRecordId, int value2) = 0;
    virtual int findVolume(VolumeRecord** volume, int* volumeRecordId, const char* name,
                           const char* name2, int clientId) = 0;  // 0 = found
    virtual int addVolume(int tempVolumeId, int clientId, const char* name, const char* name2,
                          uint64_t sizeMiB, uint64_t usedMiB, const char* text, int value,
                          int poolRecordId, const char* text2) = 0;
    virtual int findLun(LunRecord** lun, const char* name, const char* name2,
                        int volumeRecordId) = 0;  // 0 = found
    virtual int addLun(int tempLunId, int tempVolumeId, const char* name, const char* name2,
                       uint64_t sizeBytes, uint64_t usedBytes, const char* text, int value,
                       const char* text2) = 0;
    virtual ~HostInventory() {}
};

}  // namespace ZRSO
