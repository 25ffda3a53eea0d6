// Jobs and the snapshot records of backup jobs, as rows of the host database.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace refhost {

class HostDatabase;

struct JobRow {
    int64_t id = 0;
    std::string kind;  // "backup", "lun", "inventory"
    std::string createdAt;
    std::string lastStep;
    int lastResult = -1;
    // "", "interrupted" (a signal stopped the last step), "running" (a step
    // is under way, or its process died: see unsettled()), or a note
    // ("checked by job 14").
    std::string state;
};

struct SnapRecordRow {
    int64_t id = 0;
    int64_t jobId = 0;
    int position = 0;
    std::string sourceDevice;
    std::string snapshotId;
    std::string snapshotName;
    int status = 0;
    int errorCode = 0;
    std::string errorMessage;
    std::string snapDevice;  // empty when none was set
    bool hasSnapDevice = false;
    unsigned int flags = 0;
    int options = 0;
    std::string hostIdentifier;
};

// What a new record starts with.
struct NewSnapRecord {
    std::string sourceDevice;
    std::string hostIdentifier;
    std::string hostPathMount;   // path 9; empty = none
    std::string hostPathSource;  // path 10; empty = none
    int options = 0;
    std::map<std::string, std::string> settings;  // getConfigInt / getConfigString
    std::map<int, int> intProperties;             // on top of the job's own
};

// Integer properties every record of a job carries.
struct JobIdentity {
    int appId = 1;
    int fleetId = 1;
    int fleetNumber = 1;
};

class SnapJobStore {
public:
    explicit SnapJobStore(HostDatabase& db) : db_(db) {}

    int64_t createJob(const std::string& kind);
    // Adds the records of a backup job in one transaction; returns their ids.
    std::vector<int64_t> addRecords(int64_t jobId, const JobIdentity& identity,
                                    const std::vector<NewSnapRecord>& records);

    std::vector<JobRow> jobs(const std::string& kind = std::string()) const;
    bool jobExists(int64_t jobId) const;
    JobRow job(int64_t jobId) const;  // throws std::runtime_error when absent
    std::vector<SnapRecordRow> records(int64_t jobId) const;
    // A step begins: the job is marked running until noteStep, so a process
    // that dies meanwhile leaves the job saying so.
    void startStep(int64_t jobId, const std::string& step);
    void noteStep(int64_t jobId, const std::string& step, int result,
                  const std::string& state = "");
    void setState(int64_t jobId, const std::string& state);
    // A text property of a record (6: the plug-in's snapshot metadata); empty when unset.
    std::string property(int64_t recordId, int propId) const;
    void setStatus(int64_t recordId, int status);
    // Sets or clears flag bits on every record of the job.
    void setFlags(int64_t jobId, unsigned int bits, bool on);

private:
    HostDatabase& db_;
};

// The last step of the job did not finish: its process died (no one holds
// the job now: check before calling) or a signal stopped it.
bool unsettled(const JobRow& job);
// "the last mount of job 12 did not finish (zrso-host ended during it)"
std::string unsettledWhy(const JobRow& job);

// A value of the plug-in's snapshot metadata (",Key:value,"); empty when absent.
std::string metadataItem(const std::string& metadata, const std::string& key);

// Names of the record status values, for people.
const char* snapStatusName(int status);

// Job states.
constexpr const char* kJobInterrupted = "interrupted";
constexpr const char* kJobRunning = "running";

}  // namespace refhost
