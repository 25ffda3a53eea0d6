// supported, backup, jobs and the steps on a job's snapshots.
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "host/ZRSO.h"
#include "refhost/ArrayLeftovers.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/ArraySerial.h"
#include "refhost/CommandArgs.h"
#include "refhost/DiskInquiry.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLock.h"
#include "refhost/HostSession.h"
#include "refhost/Interruption.h"
#include "refhost/JsonText.h"
#include "refhost/LunRequestStore.h"
#include "refhost/LunSteps.h"
#include "refhost/OutputTable.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SnapshotSteps.h"
#include "refhost/TerminalInput.h"

namespace refhost {
namespace {

int64_t jobArgument(CommandArgs& args) {
    auto words = args.positionals();
    if (words.size() != 1) throw UsageError("a job number is needed");
    char* end = nullptr;
    long long id = std::strtoll(words[0].c_str(), &end, 10);
    if (end == words[0].c_str() || *end || id <= 0) throw UsageError("bad job number " + words[0]);
    return id;
}

// A hint about this job and the record's array.
std::string hintFor(HostSession& session, const std::string& hint, int64_t jobId,
                    int64_t recordId) {
    std::string serial = metadataItem(
        SnapJobStore(session.database()).property(recordId, ZRSO::PROP_METADATA), "ArrayId");
    auto array = serial.empty() ? std::nullopt : ArrayRegistry(session.database()).bySerial(serial);
    return fillHint(hint, array ? array->name : "", std::to_string(jobId));
}

std::string errorJson(const SnapRecordRow& r, const StepOutcome* outcome) {
    const Reason* explained = nullptr;
    if (outcome && outcome->reasons.count(r.id)) explained = &outcome->reasons.at(r.id);
    if (!r.errorCode && !explained) return "null";
    Reason shown = explained ? *explained : explainFailure(r.errorMessage, r.errorCode);
    return "{\"code\":" + std::to_string(r.errorCode) + ",\"status\":" + jsonString(shown.status) +
           ",\"message\":" + jsonString(shown.text) + "}";
}

std::string recordsJson(const std::vector<SnapRecordRow>& records, const StepOutcome* outcome) {
    std::string out = "[";
    for (const auto& r : records) {
        if (out.size() > 1) out += ",";
        out += "{\"job\":" + std::to_string(r.jobId) + ",\"record\":" + std::to_string(r.id) +
               ",\"device\":" + jsonString(deviceLabel(r.sourceDevice)) + ",\"snapshot\":" +
               jsonString(r.snapshotName.empty() ? r.snapshotId : r.snapshotName) +
               ",\"status\":" + std::to_string(r.status) +
               ",\"state\":" + jsonString(snapStatusName(r.status)) +
               ",\"snap_device\":" + jsonString(r.hasSnapDevice ? deviceLabel(r.snapDevice) : "") +
               ",\"error\":" + errorJson(r, outcome) + "}";
    }
    return out + "]";
}

void printRecords(HostSession& session, const StepOutcome& o, int64_t jobId) {
    for (const auto& r : o.records) {
        std::string line = "  record " + std::to_string(r.id) + " (" + deviceLabel(r.sourceDevice) +
                           "): " + snapStatusName(r.status);
        if (r.hasSnapDevice && !r.snapDevice.empty() && o.step == "mount")
            line += ", device " + deviceLabel(r.snapDevice);
        auto reason = o.reasons.find(r.id);
        if (reason != o.reasons.end()) line += " - " + reason->second.text;
        session.out() << line << "\n";
        if (reason != o.reasons.end() && !reason->second.hint.empty())
            session.out() << "    hint: " << hintFor(session, reason->second.hint, jobId, r.id)
                          << "\n";
    }
}

int finish(HostSession& session, const StepOutcome& o, int64_t jobId,
           const ArrayCheck* check = nullptr) {
    char took[32];
    std::snprintf(took, sizeof took, "%.2f", o.seconds);
    if (session.json()) {
        session.out() << "{\"job\":" << jobId << ",\"step\":" << jsonString(o.step)
                      << ",\"result\":" << o.result
                      << ",\"ok\":" << (o.allExpected ? "true" : "false")
                      << ",\"interrupted\":" << (o.interrupted ? "true" : "false")
                      << ",\"seconds\":" << took << ",\"records\":" << recordsJson(o.records, &o)
                      << (check ? ",\"array_check\":" + arrayCheckJson(*check) : std::string())
                      << ",\"log\":" << jsonString(session.home().logPath()) << "}\n";
    } else if (o.interrupted) {
        session.out() << o.step << " of job " << jobId << ": INTERRUPTED by " << interruptName()
                      << " during " << o.interruptedStep
                      << "; the running xcli was stopped and the job is marked " << kJobInterrupted
                      << "\n";
        printRecords(session, o, jobId);
        session.out() << "  clean up with: " << cleanupCommand(o.interruptedStep, jobId) << "\n"
                      << "details: " << session.home().logPath() << "\n";
    } else {
        session.out() << o.step << " of job " << jobId << ": "
                      << (o.allExpected ? "every record done" : "NOT every record done")
                      << " (plug-in answered " << o.result << ", " << took << " s)\n";
        printRecords(session, o, jobId);
        if (check) session.out() << arrayCheckText(*check);
        if (!o.allExpected) session.out() << "details: " << session.home().logPath() << "\n";
    }
    if (o.interrupted) return interruptExitStatus();
    return o.allExpected ? 0 : kExitFailed;
}

// Duplicates of the job that are (or may still be) mapped somewhere.
std::vector<int64_t> mountedRecords(const std::vector<SnapRecordRow>& records) {
    std::vector<int64_t> ids;
    for (const auto& r : records)
        if (r.status == ZRSO::SNAP_DUPLICATE_EXISTS || r.status == ZRSO::SNAP_DUPLICATE_MAPPED ||
            r.status == ZRSO::SNAP_DEVICE_FOUND || r.status == ZRSO::SNAP_UNMAP_FAILED)
            ids.push_back(r.id);
    return ids;
}

// A revert overwrites volumes: refused while the job's duplicates are
// mounted, and confirmed by typing the volume names unless --yes.
void guardRevert(HostSession& session, int64_t jobId, bool yes) {
    SnapJobStore store(session.database());
    auto records = store.records(jobId);
    auto mounted = mountedRecords(records);
    if (!mounted.empty()) {
        std::string ids;
        for (auto id : mounted) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
        throw std::runtime_error(
            "job " + std::to_string(jobId) + " has duplicates mounted (record " + ids +
            "); unmount them first: zrso-host unmount " + std::to_string(jobId));
    }
    if (yes) return;
    std::string volumes;
    for (const auto& r : records) {
        std::string name = metadataItem(store.property(r.id, ZRSO::PROP_METADATA), "VolumeName");
        volumes +=
            (volumes.empty() ? "" : ",") + (name.empty() ? deviceLabel(r.sourceDevice) : name);
    }
    if (!haveTerminal())
        throw std::runtime_error("revert of job " + std::to_string(jobId) + " overwrites " +
                                 volumes + "; it asks on a terminal, or give --yes");
    if (!confirmOnTerminal("revert of job " + std::to_string(jobId) + " overwrites " + volumes +
                               " with the job's snapshots; what they hold now is lost.\nType " +
                               volumes + " to go on: ",
                           volumes))
        throw std::runtime_error("not confirmed; nothing was changed");
}

// What cleans up after the job's unfinished step.
std::string jobCleanup(HostSession& session, const JobRow& job) {
    if (job.kind != "lun") return cleanupCommand(job.lastStep, job.id);
    auto requests = LunRequestStore(session.database()).forJob(job.id);
    return requests.empty() ? "nothing (no request was stored)" : lunCleanupCommand(requests[0]);
}

}  // namespace

int cmdSupported(HostSession& session, CommandArgs& args) {
    auto words = args.positionals();
    if (words.size() != 1) throw UsageError("supported needs one device");
    bool yes = deviceSupported(session, words[0]);
    // The plug-in answers only yes or no; a device that is not there at all
    // is worth telling apart. VMware attribute strings name no local device.
    std::string missing = yes || words[0].compare(0, 1, "{") == 0 ? "" : deviceMissing(words[0]);
    if (session.json())
        session.out() << "{\"device\":" << jsonString(words[0])
                      << ",\"supported\":" << (yes ? "true" : "false")
                      << ",\"present\":" << (missing.empty() ? "true" : "false") << "}\n";
    else if (!missing.empty())
        session.out() << words[0] << ": no such device (" << missing << ")\n";
    else
        session.out() << words[0] << ": " << (yes ? "an IBM XIV volume" : "not an IBM XIV volume")
                      << "\n";
    return yes ? 0 : kExitFailed;
}

int cmdBackup(HostSession& session, CommandArgs& args) {
    BackupOptions options;
    options.consistencyGroup = args.flag("--cg");
    options.esxName = args.option("--esx").value_or("");
    options.identity.appId = static_cast<int>(args.number("--app-id").value_or(1));
    options.identity.fleetNumber = static_cast<int>(args.number("--fleet-number").value_or(1));
    options.identity.fleetId = static_cast<int>(args.number("--fleet-id").value_or(1));
    auto devices = args.positionals();
    if (devices.empty()) throw UsageError("backup needs at least one device");
    checkBackupDevices(session, devices, options.esxName);
    int64_t jobId = createBackupJob(session, devices, options);
    HostLock lock = HostLock::job(session.home().dir(), jobId);
    session.progress("backup job " + std::to_string(jobId) + " created");
    return finish(session, runBackup(session, jobId), jobId);
}

int cmdJobs(HostSession& session, CommandArgs& args) {
    auto words = args.positionals();
    SnapJobStore store(session.database());
    std::vector<SnapRecordRow> records;
    int64_t only = 0;
    if (!words.empty()) {
        only = std::atoll(words[0].c_str());
        if (only <= 0 || !store.jobExists(only)) throw std::runtime_error("no job " + words[0]);
        records = store.records(only);
    } else {
        for (const auto& j : store.jobs("backup")) {
            auto more = store.records(j.id);
            records.insert(records.end(), more.begin(), more.end());
        }
    }
    if (session.json()) {
        session.out() << recordsJson(records, nullptr) << "\n";
        return 0;
    }
    OutputTable jobs({"#job", "kind", "created", "last step", "result", "state"});
    std::vector<std::string> cleanups;
    for (const auto& j : store.jobs()) {
        if (only && j.id != only) continue;
        auto holder = HostLock::jobHolder(session.home().dir(), j.id);
        std::string state = holder                   ? "busy (pid " + std::to_string(*holder) + ")"
                            : j.state == kJobRunning ? "unfinished"
                                                     : j.state;
        std::string result = j.lastStep.empty() || j.lastResult < 0 ? ""
                             : j.lastResult == 0                    ? "success"
                             : j.lastResult == 2                    ? "partial"
                                                                    : "failed";
        jobs.add({std::to_string(j.id), j.kind, j.createdAt, j.lastStep, result, state});
        if (!holder && unsettled(j))
            cleanups.push_back(unsettledWhy(j) + "; clean up with: " + jobCleanup(session, j));
    }
    jobs.print(session.out());
    for (const auto& line : cleanups) session.out() << line << "\n";
    session.out() << "\n";
    OutputTable table({"#job", "#record", "device", "snapshot", "state", "snap device", "#error"});
    for (const auto& r : records)
        table.add({std::to_string(r.jobId), std::to_string(r.id), deviceLabel(r.sourceDevice),
                   r.snapshotName.empty() ? r.snapshotId : r.snapshotName, snapStatusName(r.status),
                   r.hasSnapDevice ? deviceLabel(r.snapDevice) : "",
                   r.errorCode ? std::to_string(r.errorCode) : ""});
    table.print(session.out());
    for (const auto& r : records)
        if (r.errorCode)
            session.out() << "  record " << r.id << ": error " << r.errorCode << ": "
                          << explainFailure(r.errorMessage, r.errorCode).text << "\n";
    return 0;
}

int cmdSnapStep(HostSession& session, CommandArgs& args, const std::string& step) {
    bool keep = step == "unmount" && args.flag("--keep");
    bool yes = step == "revert" && args.flag("--yes");
    int64_t jobId = jobArgument(args);
    if (!SnapJobStore(session.database()).jobExists(jobId))
        throw std::runtime_error("no job " + std::to_string(jobId) +
                                 " (zrso-host jobs lists them)");
    HostLock lock = HostLock::job(session.home().dir(), jobId);
    if (step == "revert") guardRevert(session, jobId, yes);
    std::optional<DeviceLock> disks;
    if (step == "mount" || step == "unmount")
        disks.emplace(session.home().dir(),
                      step == "mount" ? DeviceLock::kShared : DeviceLock::kExclusive);
    JobRow job = SnapJobStore(session.database()).job(jobId);
    if (!unsettled(job)) return finish(session, runSnapStep(session, jobId, step, keep), jobId);
    RecoveryCheck recovery(unsettledWhy(job), [&] { return surveySnapJob(session, jobId); });
    StepOutcome outcome = runSnapStep(session, jobId, step, keep);
    ArrayCheck check = recovery.finish(step);
    // The plug-in maps a duplicate it finds without unlocking it: a mount
    // that leaves one read-only is not done, whatever the plug-in answered.
    for (const auto& o : check.left) outcome.allExpected = outcome.allExpected && o.kind != "lock";
    return finish(session, outcome, jobId, &check);
}

}  // namespace refhost
