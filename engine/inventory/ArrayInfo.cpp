// zrso_getArrayInfo: brings the host's inventory of every registered array
// (pools, volumes, the volumes' LUN records) up to date with what the array
// lists, and marks stored pools and volumes the array no longer has deleted.
#include <string.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/FunctionTags.h"
#include "engine/common/XIVUtils.h"
#include "engine/inventory/InventoryBody.h"
#include "engine/inventory/InventoryIndex.h"
#include "host/rt/DebugLog.h"
#include "host/rt/PasswordCipher.h"
#include "xiv/Xiv.h"

namespace {

// Listing values are signed, the host's space fields unsigned: a negative
// value (or a used share larger than the whole) must not wrap into an
// absurd size, so it counts as 0.
uint64_t Space(int64_t mib) { return mib < 0 ? 0 : static_cast<uint64_t>(mib); }
uint64_t Remainder(int64_t whole, int64_t part) {
    const uint64_t w = Space(whole), p = Space(part);
    return w > p ? w - p : 0;
}
uint64_t Bytes(uint64_t mib) { return mib > (UINT64_MAX >> 20) ? UINT64_MAX : mib << 20; }
// Totals stop at the top of the range rather than wrap.
void AddTo(uint64_t& total, uint64_t value) {
    total = value > UINT64_MAX - total ? UINT64_MAX : total + value;
}
// The array's GB: one allocation unit of 16 GiB shows as 17 GB.
int64_t MiBOfGb(int64_t gb) {
    if (gb <= 0) return 0;
    const int64_t units = gb / 17, rest = gb % 17;
    if (units > (INT64_MAX - 16384) / 16384) return INT64_MAX;
    return units * 16384 + rest * 16384 / 17;
}

// A pool's total and free space in MiB: the hard space, or, on arrays that
// list no soft/hard split, its size and empty space.
struct PoolSpace {
    int64_t totalMiB;
    int64_t freeMiB;
};
PoolSpace SpaceOf(const XivPool& pool) {
    if (pool.has_hard_size) return {pool.hard_size_MiB, pool.empty_space_hard_MiB};
    return {MiBOfGb(pool.size), MiBOfGb(pool.empty_space)};
}

// Host-filled buffers are cut at their last byte whatever the host wrote.
template <size_t N>
void Terminate(char (&text)[N]) {
    text[N - 1] = '\0';
}

// Whether a listing says what the array holds. The array object reports an
// answer without records as a failure under a result name of its own; the
// command itself succeeded then, and an array that really holds nothing
// must still have its stored records swept.
bool ListingHolds(int errorCode, const std::string& result, bool empty, const char* emptyResult) {
    return errorCode == 0 || (empty && result == emptyResult);
}

// What the collection keeps for the array it is working on.
struct ArrayPass {
    int clientId = 0;
    int arrayId = 0;
    char name[512] = {};
    char unused1[512] = {};
    char unused2[512] = {};
    char unused3[512] = {};
    char user[256] = {};
    char encryptedPassword[256] = {};
    char clearPassword[256] = {};
    char controlHost[512] = {};
    int tempVolumeId = 0;
    int tempLunId = 0;
    uint64_t totalMiB = 0;
    uint64_t freeMiB = 0;

    ArrayPass() = default;
    ArrayPass(const ArrayPass&) = delete;
    ArrayPass& operator=(const ArrayPass&) = delete;
    ~ArrayPass() { explicit_bzero(clearPassword, sizeof clearPassword); }
};

class InventoryCollection {
public:
    InventoryCollection(ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil)
        : inventory_(inventory), osUtil_(osUtil), job_(osUtil->getJobId()) {}

    int Run();

private:
    enum class Outcome { kCollected, kSkipped, kStop };

    Outcome CollectArray(ZRSO::ArrayEntry* entry);
    // The array's name, login and deciphered password; false (logged) when
    // the host does not give them.
    bool ReadLogin(ZRSO::ArrayEntry* entry, ArrayPass& pass);
    // The array's pools and volumes; false (logged) when a listing failed.
    bool ListArray(Xiv& xiv, const ArrayPass& pass, std::vector<XivPool>& pools,
                   std::vector<XivVol>& volumes);
    // Whether a listing of what says what the array holds (ListingHolds);
    // logged when it does not.
    bool Held(Xiv& xiv, const XivError& error, bool empty, const char* emptyResult,
              const char* what, const ArrayPass& pass);
    void CollectPool(ArrayPass& pass, const XivPool& pool, const InventoryIndex& index);
    void CollectVolume(ArrayPass& pass, const XivVol& volume, const std::string& poolName,
                       int poolRecordId, bool poolAdded);
    void SweepPools(int clientId, const InventoryIndex& index);
    void SweepVolumes(int clientId, const InventoryIndex& index);

    ZRSO::HostInventory* inventory_;
    ZRSO::ZROSUtil* osUtil_;
    long long job_;
    DebugLog log_;
    PasswordCipher cipher_;
};

int InventoryCollection::Run() {
    ZRSO::ArrayEntry** entries = nullptr;
    int count = 0;
    if (inventory_->getArrayList(&entries, &count) != 0 || (entries == nullptr && count > 0)) {
        // The host's own process must go on: report instead of ending it.
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "Failed to get array list");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        if (entries[i] == nullptr) continue;
        if (CollectArray(entries[i]) == Outcome::kStop) return 1;
    }
    log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_, "Data Collection completed");
    return 0;
}

InventoryCollection::Outcome InventoryCollection::CollectArray(ZRSO::ArrayEntry* entry) {
    ArrayPass pass;
    if (!ReadLogin(entry, pass)) return Outcome::kSkipped;
    const std::string xcliPath = XIVUtils().GetXCLIpath(osUtil_, log_, pass.controlHost);
    if (xcliPath.empty()) {
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "Failed to get XIV SDK Path");
        return Outcome::kStop;
    }
    Xiv xiv(pass.user, pass.clearPassword, pass.controlHost, xcliPath, XivLogger(log_));
    std::vector<XivPool> pools;
    std::vector<XivVol> volumes;
    if (!ListArray(xiv, pass, pools, volumes)) return Outcome::kSkipped;

    const InventoryIndex index(pools, volumes);
    for (const XivPool& pool : pools) CollectPool(pass, pool, index);
    SweepPools(pass.clientId, index);
    SweepVolumes(pass.clientId, index);

    entry->setFlag(1);
    entry->setStatus(ZRSO::INVENTORY_PRESENT);
    entry->setTotalSpace(pass.totalMiB);
    entry->setFreeSpace(pass.freeMiB);
    return Outcome::kCollected;
}

bool InventoryCollection::ReadLogin(ZRSO::ArrayEntry* entry, ArrayPass& pass) {
    pass.clientId = entry->getClientId();
    if (entry->getArrayName(pass.name, sizeof pass.name, &pass.arrayId) != 0) {
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "Failed to get array details");
        return false;
    }
    Terminate(pass.name);
    if (inventory_->getArrayCredentials(
            pass.name, pass.unused1, sizeof pass.unused1, pass.unused2, sizeof pass.unused2,
            pass.unused3, sizeof pass.unused3, pass.user, sizeof pass.user, pass.encryptedPassword,
            sizeof pass.encryptedPassword, pass.controlHost, sizeof pass.controlHost) != 0) {
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_,
                      "Failed to get array credentials!!!");
        return false;
    }
    Terminate(pass.user);
    Terminate(pass.encryptedPassword);
    Terminate(pass.controlHost);
    log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_, "Array[%s] .", pass.name);
    log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_, "Control Host[%s] .",
                  pass.controlHost);
    log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "Client ID[%d] .", pass.clientId);
    log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "Array ID[%d] .", pass.arrayId);

    unsigned long size = sizeof pass.clearPassword;
    if (cipher_.decrypt(pass.encryptedPassword, pass.clearPassword, &size) == 0)
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "failed to decrypt");
    else
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "entered to decrypt");
    Terminate(pass.clearPassword);
    return true;
}

bool InventoryCollection::Held(Xiv& xiv, const XivError& error, bool empty, const char* emptyResult,
                               const char* what, const ArrayPass& pass) {
    if (ListingHolds(error.code, xiv.GetResult(), empty, emptyResult)) return true;
    log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_,
                  "Failed to list the %s of array[%s]. %s", what, pass.name, error.text.c_str());
    return false;
}

bool InventoryCollection::ListArray(Xiv& xiv, const ArrayPass& pass, std::vector<XivPool>& pools,
                                    std::vector<XivVol>& volumes) {
    XivError error;
    xiv.GetAllResourcePools(pools, error);
    const bool poolsHold =
        Held(xiv, error, pools.empty(), "POOL_BAD_COMMAND", "storage pools", pass);
    error.clear();
    xiv.GetAllVolumes(volumes, error);
    const bool volumesHold =
        Held(xiv, error, volumes.empty(), "VOLUME_BAD_COMMAND", "volumes", pass);

    // A failed listing says nothing about what is gone: sweeping against it
    // would mark everything stored deleted, and the array's numbers would
    // be incomplete. Nor does it say what is there: an answer cut short
    // still hands over the records read before the cut, half filled (a pool
    // or volume without a name). Leave the array's records as they were.
    if (poolsHold && volumesHold) return true;
    log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_,
                  "Array[%s] not collected: a listing failed, nothing is marked deleted.",
                  pass.name);
    return false;
}

void InventoryCollection::CollectPool(ArrayPass& pass, const XivPool& pool,
                                      const InventoryIndex& index) {
    const PoolSpace space = SpaceOf(pool);
    const uint64_t total = Space(space.totalMiB);
    const uint64_t free = Space(space.freeMiB);
    const uint64_t used = Remainder(space.totalMiB, space.freeMiB);
    AddTo(pass.totalMiB, total);
    AddTo(pass.freeMiB, free);

    ZRSO::PoolRecord* record = nullptr;
    int poolRecordId = 0;
    int clientId = pass.clientId;
    bool added = false;
    if (inventory_->findPool(&record, &poolRecordId, pool.name.c_str(), &clientId) == 0) {
        if (record != nullptr) {
            record->setPoolId(pool.id.c_str());
            record->setTotalSpace(total);
            record->setUsedSpace(used);
            record->setFreeSpace(free);
            record->setStatus(ZRSO::INVENTORY_PRESENT);
        }
    } else {
        added = true;
        int newId = 0;
        if (inventory_->addPool(pass.arrayId, pass.clientId, pool.name.c_str(), total, used, "", 0,
                                "", &newId, 0) != 0) {
            log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_,
                          "Failed to add details for storage pool[%s] to the DB.",
                          pool.name.c_str());
            return;
        }
        poolRecordId = newId;
    }
    for (const XivVol* volume : index.VolumesOf(pool.name))
        CollectVolume(pass, *volume, pool.name, poolRecordId, added);
}

void InventoryCollection::CollectVolume(ArrayPass& pass, const XivVol& volume,
                                        const std::string& poolName, int poolRecordId,
                                        bool poolAdded) {
    const char* name = volume.name.c_str();
    const char* spare = volume.spare.c_str();
    const uint64_t size = Space(volume.size_MiB);
    const uint64_t used = Space(volume.used_capacity_MiB);
    const uint64_t free = Remainder(volume.size_MiB, volume.used_capacity_MiB);

    ZRSO::VolumeRecord* record = nullptr;
    int volumeRecordId = 0;
    if (inventory_->findVolume(&record, &volumeRecordId, name, name, pass.clientId) == 0) {
        if (record != nullptr) {
            record->setText(spare);
            record->setPoolRecordId(poolRecordId);
            record->setSize(size);
            record->setUsedSpace(used);
            record->setFreeSpace(free);
            record->setName(name);
            record->setStatus(ZRSO::INVENTORY_PRESENT);
        }
        // A stored volume without a LUN record keeps it that way.
        ZRSO::LunRecord* lun = nullptr;
        if (inventory_->findLun(&lun, name, name, volumeRecordId) == 0 && lun != nullptr) {
            lun->setAccessible(1);
            lun->setShared(0);
            lun->setSize(Bytes(size));
            lun->setUsedSpace(Bytes(used));
            lun->setFreeSpace(Bytes(free));
            lun->setHostLun(-1);
            lun->setVolumeRecordId(volumeRecordId);
        }
        return;
    }

    // New volumes and their LUN records are tied by ids of this pass only;
    // the host turns them into record ids.
    --pass.tempVolumeId;
    if (poolAdded) {
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_, "Resource Pool[%s].",
                      poolName.c_str());
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_, "Volume[%s].", name);
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_, "Resource Pool ID [%d].",
                      poolRecordId);
    }
    if (inventory_->addVolume(pass.tempVolumeId, pass.clientId, name, name, size, used, spare, 0,
                              poolRecordId, "") != 0) {
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "Failed to add new volume[%s]",
                      name);
        return;
    }
    --pass.tempLunId;
    if (inventory_->addLun(pass.tempLunId, pass.tempVolumeId, name, name, Bytes(size), Bytes(used),
                           spare, 0, "") != 0)
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kError, job_, "Failed to add new Luns[%s]",
                      name);
}

void InventoryCollection::SweepPools(int clientId, const InventoryIndex& index) {
    ZRSO::PoolRecord** stored = nullptr;
    int count = 0;
    if (inventory_->getPoolList(&stored, &count, clientId) != 0) return;
    log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_, "Got Pool List");
    if (stored == nullptr) return;
    for (int i = 0; i < count; ++i) {
        ZRSO::PoolRecord* record = stored[i];
        if (record == nullptr) continue;
        char name[256] = {};
        int recordId = 0;
        if (record->getName(name, sizeof name, &recordId) != 0) continue;
        Terminate(name);
        if (index.HasPool(name)) continue;
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_,
                      "Resource Pool[%s] not found on the array. Marking this as Deleted", name);
        record->setStatus(ZRSO::INVENTORY_DELETED);
    }
}

void InventoryCollection::SweepVolumes(int clientId, const InventoryIndex& index) {
    ZRSO::VolumeRecord** stored = nullptr;
    int count = 0;
    if (inventory_->getVolumeList(&stored, &count, clientId) != 0 || stored == nullptr) return;
    for (int i = 0; i < count; ++i) {
        ZRSO::VolumeRecord* record = stored[i];
        if (record == nullptr) continue;
        char name[256] = {};
        char text[512] = {};
        int recordId = 0;
        if (record->getName(name, sizeof name, text, sizeof text, &recordId) != 0) continue;
        Terminate(name);
        if (index.HasVolume(name)) continue;
        log_.DebugLvl(tag::kGetArrayInfo, DebugLog::kNormal, job_,
                      "Volume[%s] not found. Marking this as Deleted. This will also mark the "
                      "corresponding SMLUN entries as Deleted.",
                      name);
        record->setStatus(ZRSO::INVENTORY_DELETED);
        ZRSO::LunRecord** luns = nullptr;
        int lunCount = 0;
        if (inventory_->getLunList(&luns, &lunCount, recordId) != 0 || luns == nullptr) continue;
        for (int j = 0; j < lunCount; ++j)
            if (luns[j] != nullptr) luns[j]->setStatus(ZRSO::INVENTORY_DELETED);
    }
}

}  // namespace

int getArrayInfoBody(ZRSO::HostInventory* inventory, ZRSO::ZROSUtil* osUtil) {
    return InventoryCollection(inventory, osUtil).Run();
}
