#include "refhost/SnapshotSteps.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "host/ZRSO.h"
#include "host/rt/HostSleep.h"
#include "refhost/AttributeText.h"
#include "refhost/DiskInquiry.h"
#include "refhost/ErrorLines.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLog.h"
#include "refhost/HostServices.h"
#include "refhost/HostSession.h"
#include "refhost/HostSnapInfo.h"
#include "refhost/HostTopology.h"
#include "refhost/Interruption.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

using ZRSO::SnapInfo;

// The plug-in's mount gives up after this many rescan passes.
constexpr int kMountPasses = 6;
// The plug-in's code of an error it has no name for.
constexpr int kUnknownErrorCode = 44103;

PluginApi::SnapCall entryOf(const PluginApi& api, const std::string& step) {
    if (step == "prepare") return api.prepareDevices;
    if (step == "snap") return api.snapDevices;
    if (step == "reconcile") return api.reconcileSnaps;
    if (step == "mount") return api.mapSnaps;
    if (step == "unmount") return api.unmapSnaps;
    if (step == "delete") return api.deleteSnaps;
    if (step == "revert") return api.revertSnaps;
    return nullptr;
}

// Errors shown after a step are that step's own; a mount starts from the
// snapshot, whatever an earlier mount or unmount left in the status. Records
// the step does not handle keep what they have.
void prepareRecords(HostDatabase& db, const std::vector<SnapRecordRow>& rows,
                    const std::string& step) {
    Transaction tx(db);
    SqlStatement clear(db,
                       "UPDATE snap_records SET error_code = 0, error_message = '' WHERE id = ?");
    SqlStatement reset(db,
                       "UPDATE snap_records SET status = 5 WHERE id = ? AND status IN "
                       "(7, 9, 11, 12, 14, 15)");
    for (const auto& r : rows) {
        clear.bind(1, r.id).run();
        if (step == "mount") reset.bind(1, r.id).run();
    }
    tx.commit();
}

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", s);
    return text;
}

// Shows the plug-in's waits: a mount's passes, with how many disks it
// still waits for.
class WaitNarrator {
public:
    WaitNarrator(HostSession& session, SnapJobStore& store, int64_t jobId, const std::string& step,
                 const std::vector<SnapRecordRow>& rows)
        : session_(session), store_(store), jobId_(jobId), step_(step), rows_(rows) {
        setHostSleepObserver([this](double s) { tell(s); });
    }
    ~WaitNarrator() { setHostSleepObserver(nullptr); }

private:
    void tell(double s) {
        ++pass_;
        if (step_ != "mount") {
            session_.progress("  waiting " + seconds(s));
            return;
        }
        std::size_t found = 0;
        for (const auto& r : store_.records(jobId_))
            for (const auto& mine : rows_)
                if (r.id == mine.id && r.status == ZRSO::SNAP_DEVICE_FOUND) ++found;
        std::string total = std::to_string(rows_.size());
        if (found == rows_.size())
            session_.progress("  pass " + std::to_string(pass_) + ": all " + total +
                              " disks found; the plug-in settles " + seconds(s) +
                              " before it returns");
        else
            session_.progress("  waiting " + seconds(s) + " for " +
                              std::to_string(rows_.size() - found) + " disks, pass " +
                              std::to_string(pass_) + " of " + std::to_string(kMountPasses) + " (" +
                              std::to_string(found) + " of " + total + " found)");
    }

    HostSession& session_;
    SnapJobStore& store_;
    int64_t jobId_;
    std::string step_;
    const std::vector<SnapRecordRow>& rows_;
    int pass_ = 0;
};

// Why the record did not end as the step expects: the plug-in's text for
// it, and where that says nothing (no text, or an error it has no name
// for) the telling error line the log got during the step.
Reason recordReason(const SnapRecordRow& r, const std::string& logLine) {
    Reason reason = explainFailure(r.errorMessage, r.errorCode);
    bool silent = r.errorMessage.empty() || r.errorCode == 0 || r.errorCode == kUnknownErrorCode;
    if (silent && !logLine.empty()) {
        Reason fromLog = explainFailure(logLine, r.errorCode);
        reason.text = reason.text.empty() ? fromLog.text : reason.text + ": " + fromLog.text;
        reason.status = fromLog.status;
        if (reason.hint.empty()) reason.hint = fromLog.hint;
    }
    if (reason.text.empty()) reason.text = "the plug-in gave no reason";
    return reason;
}

// A record the plug-in left without a text of its own, in a step where
// another record has one (prepare stops at the first failing device; a
// group step fails on the first record), failed with that one.
void referToTheFirstFailure(StepOutcome& outcome) {
    const SnapRecordRow* first = nullptr;
    for (const auto& r : outcome.records)
        if (!first && outcome.reasons.count(r.id) && !r.errorMessage.empty()) first = &r;
    if (!first) return;
    for (const auto& r : outcome.records)
        if (outcome.reasons.count(r.id) && r.errorMessage.empty())
            outcome.reasons[r.id] = {
                "", "no reason of its own: the step failed at record " + std::to_string(first->id),
                ""};
}

// A record whose prepare never wrote the plug-in's metadata has nothing on
// an array (the snapshot is made from that metadata) and nothing the plug-in
// could find it by: its delete is done here, or it would fail for ever.
bool neverPrepared(SnapJobStore& store, const SnapRecordRow& r) {
    if (!store.property(r.id, ZRSO::PROP_METADATA).empty()) return false;
    store.setStatus(r.id, ZRSO::SNAP_DELETED);
    hostLog(0, "zrso-host", r.jobId,
            "delete: record " + std::to_string(r.id) +
                " was never prepared: nothing of it is on an array");
    return true;
}

std::vector<SnapRecordRow> recordsOfStep(SnapJobStore& store, int64_t jobId,
                                         const std::string& step) {
    auto rows = store.records(jobId);
    if (step != "snap") return rows;
    // Only what prepare left prepared is snapped.
    std::vector<SnapRecordRow> prepared;
    for (const auto& r : rows)
        if (r.status == ZRSO::SNAP_PREPARED) prepared.push_back(r);
    return prepared;
}

}  // namespace

std::string clientName() {
    char name[256] = {0};
    if (::gethostname(name, sizeof name - 1) != 0 || !name[0]) return "localhost";
    return name;
}

bool isSnapStep(const std::string& step) {
    for (const char* known :
         {"prepare", "snap", "reconcile", "mount", "unmount", "delete", "revert"})
        if (step == known) return true;
    return false;
}

std::string deviceLabel(const std::string& sourceDevice) {
    std::string esx, device;
    if (findAttribute(sourceDevice, "idatype", &esx) && esx == "vmware" &&
        findAttribute(sourceDevice, "esxname", &esx) &&
        findAttribute(sourceDevice, "device", &device))
        return esx + ":" + device;
    return sourceDevice;
}

bool recordExpected(const std::string& step, const SnapRecordRow& r) {
    if (step == "prepare") return r.status == ZRSO::SNAP_PREPARED;
    if (step == "snap") return r.status == ZRSO::SNAP_SNAPPED;
    if (step == "reconcile") return r.status != ZRSO::SNAP_MISSING && r.errorCode == 0;
    if (step == "mount") return r.status == ZRSO::SNAP_DEVICE_FOUND;
    if (step == "unmount") return r.status == ZRSO::SNAP_UNMAPPED;
    if (step == "delete") return r.status == ZRSO::SNAP_DELETED;
    if (step == "revert") return r.status == ZRSO::SNAP_REVERTED;
    return false;
}

std::string cleanupCommand(const std::string& step, int64_t jobId) {
    std::string job = std::to_string(jobId);
    if (step == "prepare" || step == "snap" || step == "backup" || step == "delete")
        return "zrso-host delete " + job + "   (removes the snapshots the job made)";
    if (step == "mount" || step == "unmount")
        return "zrso-host unmount " + job + "   (unmaps and deletes the duplicates made)";
    if (step == "revert") return "zrso-host revert " + job + "   (run it again to finish)";
    return "zrso-host " + step + " " + job + "   (run it again)";
}

void checkBackupDevices(HostSession& session, const std::vector<std::string>& devices,
                        const std::string& esxName) {
    session.database();  // the runtime's device tree then looks where this host's disks are
    for (const auto& device : devices) {
        if (!esxName.empty()) {
            if (!HostTopology(session.database()).esxDiskByDevice(esxName, device))
                throw std::runtime_error("ESX server " + esxName + " has no datastore disk " +
                                         device + " (try 'zrso-host rescan --esx " + esxName +
                                         "')");
            continue;
        }
        std::string missing = deviceMissing(device);
        if (!missing.empty())
            throw std::runtime_error("no device " + device + " on this host (" + missing +
                                     "; zrso-host disks lists them); no job was made");
        if (!deviceSupported(session, device))
            throw std::runtime_error(device +
                                     " is not an IBM XIV volume (the plug-in does not claim it); "
                                     "no job was made");
    }
}

int64_t createBackupJob(HostSession& session, const std::vector<std::string>& devices,
                        const BackupOptions& options) {
    if (devices.empty()) throw std::runtime_error("a backup needs at least one device");
    if (devices.size() > 32767) throw std::runtime_error("too many devices for one job");
    HostDatabase& db = session.database();
    HostTopology topology(db);
    std::vector<NewSnapRecord> records;
    for (const auto& device : devices) {
        NewSnapRecord r;
        if (!options.esxName.empty()) {
            auto disk = topology.esxDiskByDevice(options.esxName, device);
            if (!disk)
                throw std::runtime_error("ESX server " + options.esxName +
                                         " has no datastore disk " + device +
                                         " (try 'zrso-host rescan --esx " + options.esxName + "')");
            r.sourceDevice = disk->attributeString();
            r.hostIdentifier = formatAttributes({{"esxname", options.esxName}});
            r.hostPathSource = options.esxName;
            r.hostPathMount = formatAttributes({{"esxname", options.esxName}});
        } else {
            r.sourceDevice = device;
            r.hostIdentifier = clientName();
        }
        r.settings["SMCONFIG_NAME_IBM_XIV_USE_CONSISTENCY_GROUP"] =
            options.consistencyGroup ? "1" : "0";
        records.push_back(r);
    }
    SnapJobStore store(db);
    int64_t jobId = store.createJob("backup");
    store.addRecords(jobId, options.identity, records);
    return jobId;
}

StepOutcome runSnapStep(HostSession& session, int64_t jobId, const std::string& step, bool keep) {
    HostDatabase& db = session.database();
    SnapJobStore store(db);
    if (!store.jobExists(jobId)) throw std::runtime_error("no job " + std::to_string(jobId));
    PluginApi::SnapCall entry = entryOf(session.plugin(), step);
    if (!entry) throw std::runtime_error("unknown step " + step);

    StepOutcome outcome;
    outcome.step = step;
    auto start = std::chrono::steady_clock::now();
    store.startStep(jobId, step);
    if (step == "unmount") store.setFlags(jobId, ZRSO::FLAG_KEEP_DUPLICATE, keep);
    auto rows = recordsOfStep(store, jobId, step);
    prepareRecords(db, rows, step);

    std::vector<std::unique_ptr<HostSnapInfo>> infos;
    std::vector<SnapInfo*> pointers;
    for (const auto& r : rows) {
        if (step == "delete" && neverPrepared(store, r)) continue;
        infos.push_back(std::make_unique<HostSnapInfo>(db, r.id));
        pointers.push_back(infos.back().get());
    }
    session.progress(step + " job " + std::to_string(jobId) + ": " + std::to_string(rows.size()) +
                     " record" + (rows.size() == 1 ? "" : "s"));
    auto services = session.services(jobId);
    const std::size_t mark = ErrorLines::instance().mark();
    outcome.result = 0;
    if (!pointers.empty() || rows.empty()) {
        hostLog(
            0, "zrso-host", jobId,
            step + ": calling the plug-in with " + std::to_string(pointers.size()) + " records");
        WaitNarrator narrator(session, store, jobId, step, rows);
        outcome.result = entry(pointers.empty() ? nullptr : pointers.data(),
                               static_cast<short>(pointers.size()), services.get());
        hostLog(0, "zrso-host", jobId,
                step + ": the plug-in answered " + std::to_string(outcome.result));
    }
    outcome.interrupted = interrupted();
    if (outcome.interrupted) outcome.interruptedStep = step;

    // Both must agree: the entry point's own answer and every record.
    outcome.allExpected = !rows.empty() && outcome.result == 0 && !outcome.interrupted;
    const std::string logLine = ErrorLines::instance().since(mark, jobId);
    for (const auto& all : store.records(jobId)) {
        bool involved = false;
        for (const auto& r : rows) involved = involved || r.id == all.id;
        if (!involved) continue;
        outcome.records.push_back(all);
        bool expected = recordExpected(step, all);
        session.detail("  " + step + " record " + std::to_string(all.id) + " (" +
                       deviceLabel(all.sourceDevice) + "): " + snapStatusName(all.status));
        if (!expected && !outcome.interrupted) outcome.reasons[all.id] = recordReason(all, logLine);
        outcome.allExpected = outcome.allExpected && expected;
    }
    referToTheFirstFailure(outcome);
    store.noteStep(jobId, step, outcome.result, outcome.interrupted ? kJobInterrupted : "");
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

StepOutcome runBackup(HostSession& session, int64_t jobId) {
    StepOutcome prepared = runSnapStep(session, jobId, "prepare");
    bool any = false;
    for (const auto& r : prepared.records) any = any || r.status == ZRSO::SNAP_PREPARED;
    if (!any || prepared.interrupted) {
        prepared.step = "backup";
        prepared.allExpected = false;
        return prepared;
    }
    StepOutcome snapped = runSnapStep(session, jobId, "snap");
    // The backup's outcome covers every record, also those prepare failed.
    StepOutcome backup;
    backup.step = "backup";
    backup.result = prepared.result != 0 ? prepared.result : snapped.result;
    backup.records = SnapJobStore(session.database()).records(jobId);
    backup.interrupted = snapped.interrupted;
    backup.interruptedStep = snapped.interruptedStep;
    backup.reasons = prepared.reasons;
    backup.reasons.insert(snapped.reasons.begin(), snapped.reasons.end());
    backup.allExpected = prepared.allExpected && snapped.allExpected;
    for (const auto& r : backup.records)
        backup.allExpected = backup.allExpected && r.status == ZRSO::SNAP_SNAPPED;
    backup.seconds = prepared.seconds + snapped.seconds;
    return backup;
}

bool deviceSupported(HostSession& session, const std::string& device) {
    auto services = session.services(0);
    return session.plugin().isSupported(device.c_str(), 0, services.get(), nullptr, 0) == 0;
}

}  // namespace refhost
