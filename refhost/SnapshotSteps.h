// Driving the snapshot entry points the way the backup product does: one
// call per step over the records of a job, with the records' outcome read
// back from the host database afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "refhost/SnapJobStore.h"

namespace refhost {

class HostSession;

struct BackupOptions {
    bool consistencyGroup = false;
    std::string esxName;  // devices are that ESX server's datastore disks
    JobIdentity identity;
};

struct StepOutcome {
    std::string step;
    int result = 1;                   // the entry point's answer
    bool allExpected = false;         // every record ended as the step expects
    std::vector<SnapRecordRow> records;
    double seconds = 0;
};

// The steps runSnapStep knows: prepare, snap, reconcile, mount, unmount,
// delete, revert.
bool isSnapStep(const std::string& step);

// Creates a backup job for the devices (no plug-in call yet).
int64_t createBackupJob(HostSession& session, const std::vector<std::string>& devices,
                        const BackupOptions& options);

// Runs one step over every record of the job. keep: unmount keeps the
// duplicates. Throws std::runtime_error for an unknown job.
StepOutcome runSnapStep(HostSession& session, int64_t jobId, const std::string& step,
                        bool keep = false);

// prepare, then snap for the records that were prepared.
StepOutcome runBackup(HostSession& session, int64_t jobId);

// True when the plug-in claims the device.
bool deviceSupported(HostSession& session, const std::string& device);

// A short form of a source device for tables ("esx1:esxd2" for a datastore disk).
std::string deviceLabel(const std::string& sourceDevice);
// Whether a record ended as the step expects.
bool recordExpected(const std::string& step, const SnapRecordRow& record);

}  // namespace refhost
