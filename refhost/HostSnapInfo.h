// The host's snapshot record handed to the plug-in: one row of snap_records
// with its properties and settings. Every getter reads the database and every
// setter writes it at once, so a later process sees what this one left.
#pragma once

#include <cstdint>
#include <string>

#include "host/ZRSO.h"

namespace refhost {

class HostDatabase;

class HostSnapInfo : public ZRSO::SnapInfo {
public:
    HostSnapInfo(HostDatabase& db, int64_t recordId);

    int64_t recordId() const { return id_; }
    int64_t jobId() const { return jobId_; }

    int getSnapshotId(char* buf, short* size) override;
    int setSnapshotName(const char* name) override;
    int getArrayLogin(char* buf, short* size) override;
    int selectArrayLogin(const char* arrayId) override;
    int getHostIdentifier(char* buf, short* size) override;
    bool hasOption(int flag) override;
    unsigned int getFlags() override;
    int getStatus() override;
    int setStatus(int status) override;
    int getSourceDevice(char* buf, short* size) override;
    int getSnapDevice(char* buf, short* size) override;
    int setSnapDevice(const char* device) override;
    int getProperty(int id, char* buf, short* size) override;
    int setProperty(int id, const char* value) override;
    int setError(int code, const char* message) override;
    void log(int level, const char* function, const char* format, ...) override
        __attribute__((format(printf, 4, 5)));
    int getCloneNumber() override;
    int getConfigInt(const char* setting, int* value) override;
    int getConfigString(const char* setting, char* buf, short* size) override;
    int getIntProperty(int id, int* out) override;
    int getHostPath(int id, char* buf, short* size) override;
    int getDuplicateNumber() override;
    int getSnapshotIdText(std::string& out) override;

private:
    // column names below are fixed texts of this file, never caller input
    bool readText(const char* column, std::string* out);
    int64_t readInt(const char* column);
    int writeText(const char* column, const char* value);
    int writeInt(const char* column, int64_t value);
    bool readSetting(const char* key, std::string* out);

    HostDatabase& db_;
    int64_t id_;
    int64_t jobId_ = 0;
};

}  // namespace refhost
