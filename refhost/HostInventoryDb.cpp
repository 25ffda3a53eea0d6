#include "refhost/HostInventoryDb.h"

#include "refhost/ArrayRegistry.h"
#include "refhost/BufferReply.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLog.h"
#include "refhost/InventoryRecords.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

const char* const kFn = "HostInventory";

std::string str(const char* s) { return s ? s : ""; }

template <class F>
int guarded(const char* what, F&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        hostLog(-1, kFn, 0, std::string(what) + ": " + e.what());
        return 1;
    }
}

template <class T>
T** handOut(std::list<std::vector<T*>>& store, std::vector<T*> pointers, int* count) {
    *count = static_cast<int>(pointers.size());
    store.push_back(std::move(pointers));
    // A list of zero entries still gets a valid (unused) pointer.
    if (store.back().empty()) store.back().reserve(1);
    return store.back().data();
}

}  // namespace

HostInventoryDb::HostInventoryDb(HostDatabase& db) : db_(db) {}

void HostInventoryDb::tell(InventoryEvent::Kind kind, const std::string& name) {
    if (events_) events_({kind, name});
}
HostInventoryDb::~HostInventoryDb() = default;

ZRSO::PoolRecord* HostInventoryDb::pool(int64_t id) {
    pools_.push_back(std::make_unique<DbPoolRecord>(db_, id));
    return pools_.back().get();
}

ZRSO::VolumeRecord* HostInventoryDb::volume(int64_t id) {
    volumes_.push_back(std::make_unique<DbVolumeRecord>(db_, id));
    return volumes_.back().get();
}

ZRSO::LunRecord* HostInventoryDb::lun(int64_t id) {
    luns_.push_back(std::make_unique<DbLunRecord>(db_, id));
    return luns_.back().get();
}

int HostInventoryDb::getArrayList(ZRSO::ArrayEntry*** entries, int* count) {
    return guarded("getArrayList", [&] {
        if (!entries || !count) return 1;
        std::vector<ZRSO::ArrayEntry*> list;
        for (const auto& a : ArrayRegistry(db_).list(kArrayType)) {
            entries_.push_back(std::make_unique<DbArrayEntry>(db_, a.id, a.name));
            list.push_back(entries_.back().get());
        }
        *entries = handOut(entryArrays_, std::move(list), count);
        return 0;
    });
}

int HostInventoryDb::getPoolList(ZRSO::PoolRecord*** pools, int* count, int clientId) {
    return guarded("getPoolList", [&] {
        tell(InventoryEvent::kSweep, std::string());
        if (!pools || !count) return 1;
        SqlStatement st(db_, "SELECT id FROM inv_pools WHERE array_id = ? ORDER BY id");
        st.bind(1, clientId);
        std::vector<ZRSO::PoolRecord*> list;
        while (st.step()) list.push_back(pool(st.integer(0)));
        *pools = handOut(poolArrays_, std::move(list), count);
        return 0;
    });
}

int HostInventoryDb::getVolumeList(ZRSO::VolumeRecord*** volumes, int* count, int clientId) {
    return guarded("getVolumeList", [&] {
        if (!volumes || !count) return 1;
        SqlStatement st(db_, "SELECT id FROM inv_volumes WHERE array_id = ? ORDER BY id");
        st.bind(1, clientId);
        std::vector<ZRSO::VolumeRecord*> list;
        while (st.step()) list.push_back(volume(st.integer(0)));
        *volumes = handOut(volumeArrays_, std::move(list), count);
        return 0;
    });
}

int HostInventoryDb::getLunList(ZRSO::LunRecord*** luns, int* count, int volumeRecordId) {
    return guarded("getLunList", [&] {
        if (!luns || !count) return 1;
        SqlStatement st(db_, "SELECT id FROM inv_luns WHERE volume_record_id = ? ORDER BY id");
        st.bind(1, volumeRecordId);
        std::vector<ZRSO::LunRecord*> list;
        while (st.step()) list.push_back(lun(st.integer(0)));
        *luns = handOut(lunArrays_, std::move(list), count);
        return 0;
    });
}

int HostInventoryDb::getArrayCredentials(const char* arrayName, char* text1, int text1Capacity,
                                         char* text2, int text2Capacity, char* text3,
                                         int text3Capacity, char* user, int userCapacity,
                                         char* encryptedPassword, int passwordCapacity,
                                         char* controlHost, int controlHostCapacity) {
    return guarded("getArrayCredentials", [&] {
        tell(InventoryEvent::kArray, str(arrayName));
        auto array = ArrayRegistry(db_).byName(str(arrayName));
        if (!array) return 1;
        // The first three are informational: name, type and serial.
        if (text1 && text1Capacity > 0) copyOut(array->name, text1, text1Capacity);
        if (text2 && text2Capacity > 0) copyOut(array->type, text2, text2Capacity);
        if (text3 && text3Capacity > 0) copyOut(array->serial, text3, text3Capacity);
        int rc = copyOut(array->user, user, userCapacity);
        rc |= copyOut(array->passwordEnc, encryptedPassword, passwordCapacity);
        rc |= copyOut(array->controlHost, controlHost, controlHostCapacity);
        return rc;
    });
}

int HostInventoryDb::findPool(ZRSO::PoolRecord** found, int* poolRecordId, const char* poolName,
                              int* clientId) {
    return guarded("findPool", [&] {
        tell(InventoryEvent::kPool, str(poolName));
        if (!found || !clientId) return 1;
        SqlStatement st(db_, "SELECT id FROM inv_pools WHERE array_id = ? AND name = ?");
        st.bind(1, *clientId).bind(2, str(poolName));
        if (!st.step()) return 1;
        *found = pool(st.integer(0));
        if (poolRecordId) *poolRecordId = static_cast<int>(st.integer(0));
        return 0;
    });
}

int HostInventoryDb::addPool(int, int clientId, const char* poolName, uint64_t sizeMiB,
                             uint64_t usedMiB, const char* text1, int value1, const char* text2,
                             int* newPoolRecordId, int value2) {
    return guarded("addPool", [&] {
        int64_t total = clampSpace(sizeMiB), used = clampSpace(usedMiB);
        SqlStatement st(
            db_,
            "INSERT INTO inv_pools(array_id, name, status, total_mib, used_mib, free_mib, "
            "text1, value1, text2, value2) VALUES(?, ?, 0, ?, ?, ?, ?, ?, ?, ?)");
        st.bind(1, clientId).bind(2, str(poolName)).bind(3, total).bind(4, used);
        st.bind(5, total > used ? total - used : 0).bind(6, str(text1)).bind(7, value1);
        st.bind(8, str(text2)).bind(9, value2).run();
        if (newPoolRecordId) *newPoolRecordId = static_cast<int>(db_.lastInsertId());
        return 0;
    });
}

int HostInventoryDb::findVolume(ZRSO::VolumeRecord** found, int* volumeRecordId, const char* name,
                                const char*, int clientId) {
    return guarded("findVolume", [&] {
        tell(InventoryEvent::kVolume, str(name));
        if (!found) return 1;
        SqlStatement st(db_, "SELECT id FROM inv_volumes WHERE array_id = ? AND name = ?");
        st.bind(1, clientId).bind(2, str(name));
        if (!st.step()) return 1;
        *found = volume(st.integer(0));
        if (volumeRecordId) *volumeRecordId = static_cast<int>(st.integer(0));
        return 0;
    });
}

int HostInventoryDb::addVolume(int tempVolumeId, int clientId, const char* name, const char* name2,
                               uint64_t sizeMiB, uint64_t usedMiB, const char* text, int value,
                               int poolRecordId, const char* text2) {
    if (clientId != passClientId_) {
        passClientId_ = clientId;
        tempVolumes_.clear();
        tempLuns_.clear();
    }
    // A failed insert must not leave the id pointing at an earlier volume.
    tempVolumes_.erase(tempVolumeId);
    return guarded("addVolume", [&] {
        int64_t size = clampSpace(sizeMiB), used = clampSpace(usedMiB);
        SqlStatement st(db_,
                        "INSERT INTO inv_volumes(array_id, name, name2, pool_record_id, status, "
                        "size_mib, used_mib, free_mib, text, value, text2) "
                        "VALUES(?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?)");
        st.bind(1, clientId).bind(2, str(name)).bind(3, str(name2)).bind(4, poolRecordId);
        st.bind(5, size).bind(6, used).bind(7, size > used ? size - used : 0);
        st.bind(8, str(text)).bind(9, value).bind(10, str(text2)).run();
        tempVolumes_[tempVolumeId] = db_.lastInsertId();
        return 0;
    });
}

int HostInventoryDb::findLun(ZRSO::LunRecord** found, const char* name, const char*,
                             int volumeRecordId) {
    return guarded("findLun", [&] {
        if (!found) return 1;
        SqlStatement st(db_,
                        "SELECT id FROM inv_luns WHERE volume_record_id = ? AND name = ? "
                        "ORDER BY id LIMIT 1");
        st.bind(1, volumeRecordId).bind(2, str(name));
        if (!st.step()) return 1;
        *found = lun(st.integer(0));
        return 0;
    });
}

int HostInventoryDb::addLun(int tempLunId, int tempVolumeId, const char* name, const char* name2,
                            uint64_t sizeBytes, uint64_t usedBytes, const char* text, int value,
                            const char* text2) {
    tempLuns_.erase(tempLunId);
    return guarded("addLun", [&] {
        int64_t volumeId = tempVolumeId;
        if (tempVolumeId < 0) {
            auto it = tempVolumes_.find(tempVolumeId);
            if (it == tempVolumes_.end()) {
                hostLog(-1, kFn, 0,
                        "addLun: temporary volume id " + std::to_string(tempVolumeId) +
                            " names no volume added in this pass");
                return 1;
            }
            volumeId = it->second;
        }
        int64_t size = clampSpace(sizeBytes), used = clampSpace(usedBytes);
        SqlStatement st(db_,
                        "INSERT INTO inv_luns(volume_record_id, name, name2, status, size_bytes, "
                        "used_bytes, free_bytes, text, value, text2) "
                        "VALUES(?, ?, ?, 0, ?, ?, ?, ?, ?, ?)");
        st.bind(1, volumeId).bind(2, str(name)).bind(3, str(name2)).bind(4, size).bind(5, used);
        st.bind(6, size > used ? size - used : 0).bind(7, str(text)).bind(8, value);
        st.bind(9, str(text2)).run();
        tempLuns_[tempLunId] = db_.lastInsertId();
        return 0;
    });
}

int64_t HostInventoryDb::realVolumeId(int tempVolumeId) const {
    auto it = tempVolumes_.find(tempVolumeId);
    return it == tempVolumes_.end() ? 0 : it->second;
}

int64_t HostInventoryDb::realLunId(int tempLunId) const {
    auto it = tempLuns_.find(tempLunId);
    return it == tempLuns_.end() ? 0 : it->second;
}

}  // namespace refhost
