#include "FakeInventory.h"

int FakeArrayEntry::getArrayName(char* buffer, int capacity, int* id) {
    CopyInto(buffer, capacity, name);
    if (id) *id = arrayId;
    return 0;
}

int FakePoolRecord::getName(char* buffer, int capacity, int* id) {
    CopyInto(buffer, capacity, name);
    if (id) *id = recordId;
    return 0;
}

int FakeVolumeRecord::getName(char* n, int nameCapacity, char* t, int textCapacity, int* id) {
    CopyInto(n, nameCapacity, name);
    CopyInto(t, textCapacity, "");
    if (id) *id = recordId;
    return 0;
}

template <class R>
R& FakeInventory::store(std::vector<std::unique_ptr<R>>& records, const std::string& name) {
    records.push_back(std::make_unique<R>());
    records.back()->name = name;
    records.back()->recordId = nextRecordId_++;
    return *records.back();
}

template <class R>
R* FakeInventory::find(std::vector<std::unique_ptr<R>>& records, const char* name, int* recordId) {
    for (auto& r : records) {
        if (r->name != Safe(name, "")) continue;
        if (recordId) *recordId = r->recordId;
        return r.get();
    }
    return nullptr;
}

FakeArrayEntry& FakeInventory::addArray(const std::string& name, int clientId, int arrayId) {
    arrays.push_back(std::make_unique<FakeArrayEntry>());
    FakeArrayEntry& a = *arrays.back();
    a.name = name;
    a.clientId = clientId;
    a.arrayId = arrayId;
    return a;
}

FakePoolRecord& FakeInventory::addStoredPool(int clientId, const std::string& name) {
    return store(pools[clientId], name);
}

FakeVolumeRecord& FakeInventory::addStoredVolume(int clientId, const std::string& name) {
    return store(volumes[clientId], name);
}

FakeLunRecord& FakeInventory::addStoredLun(int volumeRecordId, const std::string& volumeName) {
    luns[volumeRecordId].push_back(std::make_unique<FakeLunRecord>());
    luns[volumeRecordId].back()->volumeName = volumeName;
    return *luns[volumeRecordId].back();
}

template <class T, class U>
int FakeInventory::handOut(std::vector<std::unique_ptr<U>>& records, T*** out, int* count) {
    auto list = std::make_shared<std::vector<T*>>();
    for (auto& r : records) list->push_back(r.get());
    if (out) *out = list->data();
    if (count) *count = static_cast<int>(list->size());
    handedOut_.push_back(list);
    return 0;
}

int FakeInventory::getArrayList(ZRSO::ArrayEntry*** entries, int* count) {
    if (arrayListResult != 0) return arrayListResult;
    return handOut(arrays, entries, count);
}

int FakeInventory::getPoolList(ZRSO::PoolRecord*** list, int* count, int clientId) {
    return handOut(pools[clientId], list, count);
}

int FakeInventory::getVolumeList(ZRSO::VolumeRecord*** list, int* count, int clientId) {
    return handOut(volumes[clientId], list, count);
}

int FakeInventory::getLunList(ZRSO::LunRecord*** list, int* count, int volumeRecordId) {
    return handOut(luns[volumeRecordId], list, count);
}

int FakeInventory::getArrayCredentials(const char* arrayName, char* text1, int text1Capacity,
                                       char* text2, int text2Capacity, char* text3,
                                       int text3Capacity, char* user, int userCapacity,
                                       char* encryptedPassword, int passwordCapacity,
                                       char* controlHost, int controlHostCapacity) {
    credentialAsks.push_back(Safe(arrayName, ""));
    for (auto& a : arrays) {
        if (a->name != Safe(arrayName, "")) continue;
        CopyInto(text1, text1Capacity, "");
        CopyInto(text2, text2Capacity, "");
        CopyInto(text3, text3Capacity, "");
        CopyInto(user, userCapacity, a->user);
        CopyInto(encryptedPassword, passwordCapacity, a->encryptedPassword);
        CopyInto(controlHost, controlHostCapacity, a->controlHost);
        return 0;
    }
    return 1;
}

int FakeInventory::findPool(ZRSO::PoolRecord** pool, int* poolRecordId, const char* poolName,
                            int* clientId) {
    FakePoolRecord* found = find(pools[clientId ? *clientId : 0], poolName, poolRecordId);
    if (found && pool) *pool = found;
    return found ? 0 : 1;
}

int FakeInventory::addPool(int, int clientId, const char* poolName, uint64_t sizeMiB,
                           uint64_t usedMiB, const char*, int, const char*, int* newPoolRecordId,
                           int) {
    FakePoolRecord& p = addStoredPool(clientId, Safe(poolName, ""));
    if (newPoolRecordId) *newPoolRecordId = p.recordId;
    poolsAdded.push_back(AddPoolCall{Safe(poolName, ""), sizeMiB, usedMiB, p.recordId});
    return 0;
}

int FakeInventory::findVolume(ZRSO::VolumeRecord** volume, int* volumeRecordId, const char* name,
                              const char*, int clientId) {
    FakeVolumeRecord* found = find(volumes[clientId], name, volumeRecordId);
    if (found && volume) *volume = found;
    return found ? 0 : 1;
}

int FakeInventory::addVolume(int tempVolumeId, int, const char* name, const char*, uint64_t,
                             uint64_t, const char*, int, int poolRecordId, const char*) {
    volumesAdded.push_back(AddVolumeCall{tempVolumeId, Safe(name, ""), poolRecordId});
    return 0;
}

int FakeInventory::findLun(ZRSO::LunRecord** lun, const char* name, const char*,
                           int volumeRecordId) {
    for (auto& l : luns[volumeRecordId]) {
        if (l->volumeName != Safe(name, "")) continue;
        if (lun) *lun = l.get();
        return 0;
    }
    return 1;
}

int FakeInventory::addLun(int tempLunId, int tempVolumeId, const char* name, const char*, uint64_t,
                          uint64_t, const char*, int, const char*) {
    lunsAdded.push_back(AddLunCall{tempLunId, tempVolumeId, Safe(name, "")});
    return 0;
}
