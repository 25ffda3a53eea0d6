// supported, backup, jobs and the steps on a job's snapshots.
#include <cstdio>
#include <stdexcept>

#include "refhost/CommandArgs.h"
#include "refhost/DiskInquiry.h"
#include "refhost/HostCommands.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostSession.h"
#include "refhost/JsonText.h"
#include "refhost/OutputTable.h"
#include "refhost/SnapJobStore.h"
#include "refhost/SnapshotSteps.h"

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

OutputTable recordTable(const std::vector<SnapRecordRow>& records) {
    OutputTable table({"#job", "#record", "device", "snapshot", "#status", "state", "snap device",
                       "#error", "message"});
    for (const auto& r : records)
        table.add({std::to_string(r.jobId), std::to_string(r.id), deviceLabel(r.sourceDevice),
                   r.snapshotName.empty() ? r.snapshotId : r.snapshotName, std::to_string(r.status),
                   snapStatusName(r.status), r.hasSnapDevice ? deviceLabel(r.snapDevice) : "",
                   std::to_string(r.errorCode), r.errorMessage});
    return table;
}

int finish(HostSession& session, const StepOutcome& outcome, int64_t jobId) {
    char took[32];
    std::snprintf(took, sizeof took, "%.2f", outcome.seconds);
    if (session.json()) {
        session.out() << "{\"job\":" << jobId << ",\"step\":" << jsonString(outcome.step)
                      << ",\"result\":" << outcome.result << ",\"ok\":"
                      << (outcome.allExpected ? "true" : "false") << ",\"seconds\":" << took
                      << ",\"records\":" << recordTable(outcome.records).json() << "}\n";
    } else {
        session.out() << outcome.step << " of job " << jobId << ": "
                      << (outcome.allExpected ? "every record done" : "NOT every record done")
                      << " (plug-in answered " << outcome.result << ", " << took << " s)\n";
    }
    return outcome.allExpected ? 0 : kExitFailed;
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
        session.out() << "{\"device\":" << jsonString(words[0]) << ",\"supported\":"
                      << (yes ? "true" : "false") << ",\"present\":"
                      << (missing.empty() ? "true" : "false") << "}\n";
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
    int64_t jobId = createBackupJob(session, devices, options);
    session.progress("backup job " + std::to_string(jobId) + " created");
    return finish(session, runBackup(session, jobId), jobId);
}

int cmdJobs(HostSession& session, CommandArgs& args) {
    auto words = args.positionals();
    SnapJobStore store(session.database());
    std::vector<SnapRecordRow> records;
    if (!words.empty()) {
        int64_t id = std::atoll(words[0].c_str());
        if (!store.jobExists(id)) throw std::runtime_error("no job " + words[0]);
        records = store.records(id);
    } else {
        for (const auto& j : store.jobs("backup")) {
            auto more = store.records(j.id);
            records.insert(records.end(), more.begin(), more.end());
        }
    }
    if (session.json()) {
        session.out() << recordTable(records).json() << "\n";
        return 0;
    }
    OutputTable jobs({"#job", "kind", "created", "last step", "#result"});
    for (const auto& j : store.jobs())
        if (words.empty() || std::to_string(j.id) == words[0])
            jobs.add({std::to_string(j.id), j.kind, j.createdAt, j.lastStep,
                      j.lastStep.empty() ? "" : std::to_string(j.lastResult)});
    jobs.print(session.out());
    session.out() << "\n";
    recordTable(records).print(session.out());
    return 0;
}

int cmdSnapStep(HostSession& session, CommandArgs& args, const std::string& step) {
    bool keep = step == "unmount" && args.flag("--keep");
    int64_t jobId = jobArgument(args);
    return finish(session, runSnapStep(session, jobId, step, keep), jobId);
}

}  // namespace refhost
