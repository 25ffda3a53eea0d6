// The inventory rows handed to zrso_getArrayInfo: each object is one row and
// writes its setters straight into it.
#pragma once

#include <cstdint>
#include <string>

#include "host/HostInventory.h"

namespace refhost {

class HostDatabase;

class DbArrayEntry : public ZRSO::ArrayEntry {
public:
    DbArrayEntry(HostDatabase& db, int64_t id, std::string name)
        : db_(db), id_(id), name_(std::move(name)) {}
    int getClientId() override;
    int getArrayName(char* name, int capacity, int* arrayId) override;
    void setFlag(int flag) override;
    void setStatus(int status) override;
    void setTotalSpace(uint64_t mib) override;
    void setFreeSpace(uint64_t mib) override;

private:
    void set(const char* column, int64_t value);
    HostDatabase& db_;
    int64_t id_;
    std::string name_;
};

class DbPoolRecord : public ZRSO::PoolRecord {
public:
    DbPoolRecord(HostDatabase& db, int64_t id) : db_(db), id_(id) {}
    int getName(char* name, int capacity, int* poolRecordId) override;
    void setStatus(int status) override;
    void setTotalSpace(uint64_t mib) override;
    void setUsedSpace(uint64_t mib) override;
    void setFreeSpace(uint64_t mib) override;
    void setPoolId(const char* id) override;

private:
    HostDatabase& db_;
    int64_t id_;
};

class DbVolumeRecord : public ZRSO::VolumeRecord {
public:
    DbVolumeRecord(HostDatabase& db, int64_t id) : db_(db), id_(id) {}
    int getName(char* name, int nameCapacity, char* text, int textCapacity,
                int* volumeRecordId) override;
    void setPoolRecordId(int id) override;
    void setStatus(int status) override;
    void setSize(uint64_t mib) override;
    void setUsedSpace(uint64_t mib) override;
    void setFreeSpace(uint64_t mib) override;
    void setName(const char* name) override;
    void setText(const char* text) override;

private:
    HostDatabase& db_;
    int64_t id_;
};

class DbLunRecord : public ZRSO::LunRecord {
public:
    DbLunRecord(HostDatabase& db, int64_t id) : db_(db), id_(id) {}
    void setVolumeRecordId(int id) override;
    void setStatus(int status) override;
    void setSize(uint64_t bytes) override;
    void setUsedSpace(uint64_t bytes) override;
    void setFreeSpace(uint64_t bytes) override;
    void setAccessible(int value) override;
    void setShared(int value) override;
    void setHostLun(int value) override;

private:
    HostDatabase& db_;
    int64_t id_;
};

// Writes one column of one row; database failures are logged, not thrown
// (the setters have no way to report them).
void updateColumn(HostDatabase& db, const char* table, const char* column, int64_t rowId,
                  int64_t value);
void updateColumn(HostDatabase& db, const char* table, const char* column, int64_t rowId,
                  const std::string& value);
// Space values arrive unsigned; the database keeps signed 64-bit.
int64_t clampSpace(uint64_t value);

}  // namespace refhost
