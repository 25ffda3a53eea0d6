#include "FakeInventory.h"

#include <algorithm>
#include <cstring>

namespace {

const char* Safe(const char* text) { return text ? text : ""; }

void CopyInto(char* buffer, int capacity, const std::string& text) {
    if (buffer == nullptr || capacity <= 0) return;
    std::memset(buffer, 0, static_cast<size_t>(capacity));
    std::memcpy(buffer, text.data(), std::min(text.size(), static_cast<size_t>(capacity) - 1));
}

}  // namespace

int FakeArrayEntry::getArrayName(char* buffer, int capacity, int* id) {
    if (getNameResult != 0) return getNameResult;
    CopyInto(buffer, capacity, name);
    if (id) *id = arrayId;
    return 0;
}

int FakePoolRecord::getName(char* buffer, int capacity, int* id) {
    if (getNameResult != 0) return getNameResult;
    CopyInto(buffer, capacity, name);
    if (id) *id = recordId;
    return 0;
}

int FakeVolumeRecord::getName(char* n, int nameCapacity, char* t, int textCapacity, int* id) {
    if (getNameResult != 0) return getNameResult;
    CopyInto(n, nameCapacity, name);
    CopyInto(t, textCapacity, text);
    if (id) *id = recordId;
    return 0;
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
    pools[clientId].push_back(std::make_unique<FakePoolRecord>());
    FakePoolRecord& p = *pools[clientId].back();
    p.name = name;
    p.recordId = nextRecordId_++;
    return p;
}

FakeVolumeRecord& FakeInventory::addStoredVolume(int clientId, const std::string& name) {
    volumes[clientId].push_back(std::make_unique<FakeVolumeRecord>());
    FakeVolumeRecord& v = *volumes[clientId].back();
    v.name = name;
    v.recordId = nextRecordId_++;
    return v;
}

FakeLunRecord& FakeInventory::addStoredLun(int volumeRecordId, const std::string& volumeName) {
    luns[volumeRecordId].push_back(std::make_unique<FakeLunRecord>());
    FakeLunRecord& l = *luns[volumeRecordId].back();
    l.volumeName = volumeName;
    return l;
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
    called("getArrayList");
    if (arrayListResult != 0) return arrayListResult;
    return handOut(arrays, entries, count);
}

int FakeInventory::getPoolList(ZRSO::PoolRecord*** list, int* count, int clientId) {
    called("getPoolList");
    if (poolListResult != 0) return poolListResult;
    return handOut(pools[clientId], list, count);
}

int FakeInventory::getVolumeList(ZRSO::VolumeRecord*** list, int* count, int clientId) {
    called("getVolumeList");
    if (volumeListResult != 0) return volumeListResult;
    return handOut(volumes[clientId], list, count);
}

int FakeInventory::getLunList(ZRSO::LunRecord*** list, int* count, int volumeRecordId) {
    called("getLunList");
    if (lunListResult != 0) return lunListResult;
    return handOut(luns[volumeRecordId], list, count);
}

int FakeInventory::getArrayCredentials(const char* arrayName, char* text1, int text1Capacity,
                                       char* text2, int text2Capacity, char* text3,
                                       int text3Capacity, char* user, int userCapacity,
                                       char* encryptedPassword, int passwordCapacity,
                                       char* controlHost, int controlHostCapacity) {
    called("getArrayCredentials");
    credentialAsks.push_back(Safe(arrayName));
    for (auto& a : arrays) {
        if (a->name != Safe(arrayName)) continue;
        if (a->credentialsResult != 0) return a->credentialsResult;
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
    called("findPool");
    for (auto& p : pools[clientId ? *clientId : 0]) {
        if (p->name != Safe(poolName)) continue;
        if (pool) *pool = p.get();
        if (poolRecordId) *poolRecordId = p->recordId;
        return 0;
    }
    return 1;
}

int FakeInventory::addPool(int arrayId, int clientId, const char* poolName, uint64_t sizeMiB,
                           uint64_t usedMiB, const char*, int, const char*, int* newPoolRecordId,
                           int) {
    called("addPool");
    if (addPoolResult != 0) {
        poolsAdded.push_back(AddPoolCall{arrayId, clientId, Safe(poolName), sizeMiB, usedMiB, 0});
        return addPoolResult;
    }
    FakePoolRecord& p = addStoredPool(clientId, Safe(poolName));
    if (newPoolRecordId) *newPoolRecordId = p.recordId;
    poolsAdded.push_back(
        AddPoolCall{arrayId, clientId, Safe(poolName), sizeMiB, usedMiB, p.recordId});
    return 0;
}

int FakeInventory::findVolume(ZRSO::VolumeRecord** volume, int* volumeRecordId, const char* name,
                              const char*, int clientId) {
    called("findVolume");
    for (auto& v : volumes[clientId]) {
        if (v->name != Safe(name)) continue;
        if (volume) *volume = v.get();
        if (volumeRecordId) *volumeRecordId = v->recordId;
        return 0;
    }
    return 1;
}

int FakeInventory::addVolume(int tempVolumeId, int clientId, const char* name, const char* name2,
                             uint64_t sizeMiB, uint64_t usedMiB, const char* text, int,
                             int poolRecordId, const char*) {
    called("addVolume");
    volumesAdded.push_back(AddVolumeCall{tempVolumeId, clientId, Safe(name), Safe(name2), sizeMiB,
                                         usedMiB, Safe(text), poolRecordId});
    return addVolumeResult;
}

int FakeInventory::findLun(ZRSO::LunRecord** lun, const char* name, const char*,
                           int volumeRecordId) {
    called("findLun");
    for (auto& l : luns[volumeRecordId]) {
        if (l->volumeName != Safe(name)) continue;
        if (lun) *lun = l.get();
        return 0;
    }
    return 1;
}

int FakeInventory::addLun(int tempLunId, int tempVolumeId, const char* name, const char* name2,
                          uint64_t sizeBytes, uint64_t usedBytes, const char* text, int,
                          const char*) {
    called("addLun");
    lunsAdded.push_back(AddLunCall{tempLunId, tempVolumeId, Safe(name), Safe(name2), sizeBytes,
                                   usedBytes, Safe(text)});
    return addLunResult;
}
