#include "refhost/InventoryRecords.h"

#include <cstdint>

#include "refhost/BufferReply.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLog.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

template <class V>
void update(HostDatabase& db, const char* table, const char* column, int64_t rowId,
            const V& value) {
    try {
        std::string sql = std::string("UPDATE ") + table + " SET " + column + " = ? WHERE id = ?";
        SqlStatement st(db, sql.c_str());
        st.bind(1, value).bind(2, rowId).run();
    } catch (const std::exception& e) {
        hostLog(-1, "HostInventory", 0,
                std::string("cannot update ") + table + "." + column + ": " + e.what());
    }
}

}  // namespace

void updateColumn(HostDatabase& db, const char* table, const char* column, int64_t rowId,
                  int64_t value) {
    update(db, table, column, rowId, value);
}

void updateColumn(HostDatabase& db, const char* table, const char* column, int64_t rowId,
                  const std::string& value) {
    update(db, table, column, rowId, value);
}

int64_t clampSpace(uint64_t value) {
    return value > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(value);
}

int DbArrayEntry::getClientId() { return static_cast<int>(id_); }

int DbArrayEntry::getArrayName(char* name, int capacity, int* arrayId) {
    if (arrayId) *arrayId = static_cast<int>(id_);
    return copyOut(name_, name, capacity);
}

void DbArrayEntry::set(const char* column, int64_t value) {
    updateColumn(db_, "arrays", column, id_, value);
}
void DbArrayEntry::setFlag(int flag) { set("inv_flag", flag); }
void DbArrayEntry::setStatus(int status) { set("inv_status", status); }
void DbArrayEntry::setTotalSpace(uint64_t mib) { set("total_mib", clampSpace(mib)); }
void DbArrayEntry::setFreeSpace(uint64_t mib) { set("free_mib", clampSpace(mib)); }

int DbPoolRecord::getName(char* name, int capacity, int* poolRecordId) {
    try {
        SqlStatement st(db_, "SELECT name FROM inv_pools WHERE id = ?");
        st.bind(1, id_);
        if (!st.step()) return 1;
        if (poolRecordId) *poolRecordId = static_cast<int>(id_);
        return copyOut(st.text(0), name, capacity);
    } catch (const std::exception& e) {
        hostLog(-1, "HostInventory", 0, std::string("PoolRecord::getName: ") + e.what());
        return 1;
    }
}
void DbPoolRecord::setStatus(int status) { updateColumn(db_, "inv_pools", "status", id_, status); }
void DbPoolRecord::setTotalSpace(uint64_t mib) {
    updateColumn(db_, "inv_pools", "total_mib", id_, clampSpace(mib));
}
void DbPoolRecord::setUsedSpace(uint64_t mib) {
    updateColumn(db_, "inv_pools", "used_mib", id_, clampSpace(mib));
}
void DbPoolRecord::setFreeSpace(uint64_t mib) {
    updateColumn(db_, "inv_pools", "free_mib", id_, clampSpace(mib));
}
void DbPoolRecord::setPoolId(const char* id) {
    updateColumn(db_, "inv_pools", "pool_id", id_, std::string(id ? id : ""));
}

int DbVolumeRecord::getName(char* name, int nameCapacity, char* text, int textCapacity,
                            int* volumeRecordId) {
    try {
        SqlStatement st(db_, "SELECT name, text FROM inv_volumes WHERE id = ?");
        st.bind(1, id_);
        if (!st.step()) return 1;
        if (volumeRecordId) *volumeRecordId = static_cast<int>(id_);
        int rc = copyOut(st.text(0), name, nameCapacity);
        // The spare text is optional for callers that pass no buffer.
        if (text && textCapacity > 0) rc |= copyOut(st.text(1), text, textCapacity);
        return rc;
    } catch (const std::exception& e) {
        hostLog(-1, "HostInventory", 0, std::string("VolumeRecord::getName: ") + e.what());
        return 1;
    }
}
void DbVolumeRecord::setPoolRecordId(int id) {
    updateColumn(db_, "inv_volumes", "pool_record_id", id_, id);
}
void DbVolumeRecord::setStatus(int status) {
    updateColumn(db_, "inv_volumes", "status", id_, status);
}
void DbVolumeRecord::setSize(uint64_t mib) {
    updateColumn(db_, "inv_volumes", "size_mib", id_, clampSpace(mib));
}
void DbVolumeRecord::setUsedSpace(uint64_t mib) {
    updateColumn(db_, "inv_volumes", "used_mib", id_, clampSpace(mib));
}
void DbVolumeRecord::setFreeSpace(uint64_t mib) {
    updateColumn(db_, "inv_volumes", "free_mib", id_, clampSpace(mib));
}
void DbVolumeRecord::setName(const char* name) {
    updateColumn(db_, "inv_volumes", "name", id_, std::string(name ? name : ""));
}
void DbVolumeRecord::setText(const char* text) {
    updateColumn(db_, "inv_volumes", "text", id_, std::string(text ? text : ""));
}

void DbLunRecord::setVolumeRecordId(int id) {
    updateColumn(db_, "inv_luns", "volume_record_id", id_, id);
}
void DbLunRecord::setStatus(int status) { updateColumn(db_, "inv_luns", "status", id_, status); }
void DbLunRecord::setSize(uint64_t bytes) {
    updateColumn(db_, "inv_luns", "size_bytes", id_, clampSpace(bytes));
}
void DbLunRecord::setUsedSpace(uint64_t bytes) {
    updateColumn(db_, "inv_luns", "used_bytes", id_, clampSpace(bytes));
}
void DbLunRecord::setFreeSpace(uint64_t bytes) {
    updateColumn(db_, "inv_luns", "free_bytes", id_, clampSpace(bytes));
}
void DbLunRecord::setAccessible(int value) {
    updateColumn(db_, "inv_luns", "accessible", id_, value);
}
void DbLunRecord::setShared(int value) { updateColumn(db_, "inv_luns", "shared", id_, value); }
void DbLunRecord::setHostLun(int value) { updateColumn(db_, "inv_luns", "host_lun", id_, value); }

}  // namespace refhost
