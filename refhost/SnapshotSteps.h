// Driving the snapshot entry points the way the backup product does: one
// call per step over the records of a job, with the records' outcome read
// back from the host database afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "refhost/FailureReason.h"
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
    int result = 1;               // the entry point's answer
    bool allExpected = false;     // every record ended as the step expects
    bool interrupted = false;     // a signal stopped the step
    std::string interruptedStep;  // the step that was running then (backup: prepare or snap)
    std::vector<SnapRecordRow> records;
    std::map<int64_t, Reason> reasons;  // why a record did not end as expected
    double seconds = 0;
};

// The steps runSnapStep knows: prepare, snap, reconcile, mount, unmount,
// delete, revert.
bool isSnapStep(const std::string& step);

// Throws std::runtime_error, before any job exists, when a device is
// missing or is not an XIV volume (or, with esxName, not that server's disk).
void checkBackupDevices(HostSession& session, const std::vector<std::string>& devices,
                        const std::string& esxName);

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

// This machine's name, as the plug-in reads it for the host objects it makes.
std::string clientName();

// A short form of a source device for tables ("esx1:esxd2" for a datastore disk).
std::string deviceLabel(const std::string& sourceDevice);
// Whether a record ended as the step expects.
bool recordExpected(const std::string& step, const SnapRecordRow& record);
// The command that cleans up after the step was interrupted.
std::string cleanupCommand(const std::string& step, int64_t jobId);

}  // namespace refhost
