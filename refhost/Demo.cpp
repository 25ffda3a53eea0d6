// zrso-host demo: a fresh simulated world, then every capability in the
// order a backup administrator uses them, each step timed.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "refhost/CommandArgs.h"
#include "refhost/DemoWorld.h"
#include "refhost/HostCommands.h"
#include "refhost/HostHome.h"
#include "refhost/HostSession.h"
#include "refhost/InventoryReport.h"
#include "refhost/LunSteps.h"
#include "refhost/SnapshotSteps.h"

namespace refhost {
namespace {

// Which capabilities the plug-in has. A step whose entry points have not
// landed is shown as not yet available instead of being run; each capability
// flips its own flag when it lands.
struct DemoStep {
    const char* name;
    bool available;
    const char* what;
};

const DemoStep kSteps[] = {
    {"supported", true, "is each disk an IBM XIV volume?"},
    {"backup", true,
     "prepare and snap: a consistency-group job of three volumes, a single-volume job"},
    {"reconcile", true, "do the snapshots of the group job still exist?"},
    {"mount", true, "duplicate, map and find the disks of the group job's snapshots"},
    {"unmount", true, "unmap and delete the duplicates"},
    {"delete", true, "delete the group job's snapshots"},
    {"revert", true, "restore the single-volume job's volume from its snapshot"},
    {"provisioning", true, "create, resize, map, resolve, unmap and delete a LUN"},
    {"inventory", true, "collect the array's pools and volumes into the host database"},
};

struct DemoState {
    DemoWorld world;
    int64_t groupJob = 0;
    int64_t singleJob = 0;
};

bool stepSupported(HostSession& s, DemoState& d) {
    bool ok = true;
    for (const auto& disk : d.world.disks) {
        bool yes = deviceSupported(s, disk);
        s.progress("  " + disk + ": " + (yes ? "IBM XIV volume" : "NOT an IBM XIV volume"));
        ok = ok && yes;
    }
    bool other = deviceSupported(s, "/dev/null");
    s.progress(std::string("  /dev/null: ") +
               (other ? "claimed (wrong)" : "not an IBM XIV volume"));
    return ok && !other;
}

bool stepBackup(HostSession& s, DemoState& d) {
    BackupOptions group;
    group.consistencyGroup = true;
    d.groupJob = createBackupJob(s, d.world.disks, group);
    bool ok = runBackup(s, d.groupJob).allExpected;
    d.singleJob = createBackupJob(s, {d.world.disks.front()}, BackupOptions());
    return runBackup(s, d.singleJob).allExpected && ok;
}

bool needJob(HostSession& s, int64_t job) {
    if (job == 0) s.progress("  no backup job to work on (the backup step did not run)");
    return job != 0;
}

bool stepOn(HostSession& s, int64_t job, const char* step) {
    return needJob(s, job) && runSnapStep(s, job, step).allExpected;
}

bool stepProvisioning(HostSession& s, DemoState& d) {
    LunRequestRow lun;
    lun.arrayName = d.world.arrayName;
    lun.volumeName = "demo_lun";
    lun.poolName = d.world.pool;
    auto run = [&](const char* op) {
        LunOutcome o = runLunRequest(s, op, lun);
        std::string line = std::string("  ") + op + ": " + (o.expected ? "done" : "FAILED");
        if (std::string(op) == "create" || std::string(op) == "resize")
            line += ", " + std::to_string(o.request.sizeBytes >> 30) + " GiB";
        if (std::string(op) == "resolve") line += ", initiator groups " + o.request.initiatorGroups;
        if (!o.expected) line += " - " + o.reason.text;
        s.progress(line);
        return o.expected;
    };
    lun.sizeBytes = 20LL << 30;
    bool ok = run("create");
    lun.sizeBytes = 40LL << 30;
    ok = run("resize") && ok;
    lun.mapRequest =
        mapRequestJson("demo_app", "Red Hat Enterprise Linux", 3, {"10000000C9A0E001"});
    ok = run("map") && ok;
    ok = run("resolve") && ok;
    ok = run("unmap") && ok;
    ok = run("delete") && ok;
    return ok;
}

bool stepInventory(HostSession& s, DemoState&) {
    InventoryOutcome o = collectInventory(s);
    s.progress("  " + std::to_string(o.pools.size()) + " pools, " +
               std::to_string(o.volumes.size()) + " volumes in the host database");
    return o.allCollected;
}

bool runStep(HostSession& s, DemoState& d, const std::string& name) {
    if (name == "supported") return stepSupported(s, d);
    if (name == "backup") return stepBackup(s, d);
    if (name == "reconcile") return stepOn(s, d.groupJob, "reconcile");
    if (name == "mount") return stepOn(s, d.groupJob, "mount");
    if (name == "unmount") return stepOn(s, d.groupJob, "unmount");
    if (name == "delete") return stepOn(s, d.groupJob, "delete");
    if (name == "revert") return stepOn(s, d.singleJob, "revert");
    if (name == "provisioning") return stepProvisioning(s, d);
    if (name == "inventory") return stepInventory(s, d);
    return false;
}

}  // namespace

int cmdDemo(HostSession& outer, CommandArgs& args) {
    bool keep = args.flag("--keep-world");
    args.positionals();
    std::ostream& out = outer.out();
    auto start = std::chrono::steady_clock::now();

    DemoState d;
    out << "zrso-host demo: the XIV plug-in driven end to end against a simulated array\n";
    d.world = buildSimulatedArray(defaultSimulatorDir());
    HostSession s(d.world.homeDir(), outer.pluginPath(), false, out, outer.err());
    // The demo's progress is its output.
    s.setProgressStream(out);
    s.setVerbosity(outer.verbosity() == Verbosity::kQuiet ? Verbosity::kNormal : outer.verbosity());
    bool ok = true;
    try {
        setUpDemoHost(s, d.world);
        out << "world: " << d.world.root << "\n"
            << "  array " << d.world.arrayName << " at " << d.world.address << " (serial "
            << d.world.serial << "), pool " << d.world.pool << ", " << d.world.volumes.size()
            << " volumes mapped to host object " << d.world.hostObject << "\n"
            << "  this host's ports";
        for (const auto& p : d.world.ports) out << " " << p;
        out << "; disks";
        for (const auto& disk : d.world.disks) out << " " << disk;
        out << "\n  mount retry interval " << d.world.mountRetrySeconds << " s, sleeps scaled by "
            << d.world.sleepScale << "\n  plug-in " << s.pluginPath() << "\n";
        s.plugin();

        int number = 0;
        const int total = static_cast<int>(sizeof kSteps / sizeof kSteps[0]);
        for (const auto& step : kSteps) {
            ++number;
            char head[128];
            std::snprintf(head, sizeof head, "\n== step %d/%d: %s", number, total, step.name);
            out << head << " - " << step.what << "\n";
            if (!step.available) {
                out << "   not yet available\n";
                continue;
            }
            auto t0 = std::chrono::steady_clock::now();
            bool stepOk;
            try {
                stepOk = runStep(s, d, step.name);
            } catch (const std::exception& e) {
                out << "   error: " << e.what() << "\n";
                stepOk = false;
            }
            double took =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            char tail[96];
            std::snprintf(tail, sizeof tail, "   %s in %.2f s\n", stepOk ? "done" : "FAILED", took);
            out << tail;
            ok = ok && stepOk;
        }
    } catch (const std::exception& e) {
        out << "demo set-up failed: " << e.what() << "\n";
        ok = false;
    }
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char line[128];
    std::snprintf(line, sizeof line, "\ndemo %s in %.2f s\n", ok ? "finished" : "FAILED", took);
    out << line;
    if (ok && !keep) {
        removeTree(d.world.root);
    } else {
        out << "the world is kept in " << d.world.root << " (log: " << s.home().logPath() << ")\n";
    }
    return ok ? 0 : kExitFailed;
}

}  // namespace refhost
