// Real arrays answer in shapes the simulator's own answers do not show: empty
// listings for names that match nothing, id attributes, lower-case WWNs,
// pools without the soft/hard split, a capitalised xiv_devlist header, the
// LU's NAA designator in any place. Every flow must end against each of them
// exactly as it ends against the simulator's own shape.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "refhost/DemoWorld.h"
#include "refhost/HostHome.h"
#include "refhost/HostSession.h"
#include "refhost/InventoryReport.h"
#include "refhost/LunSteps.h"
#include "refhost/SimAdmin.h"
#include "refhost/SnapshotSteps.h"
#include "support/SimArray.h"
#include "support/TestData.h"

namespace {

constexpr long long kGiB = 1LL << 30;

std::string Records(const refhost::StepOutcome& step) {
    std::string text = step.step + " " + std::to_string(step.result) + ":";
    for (const auto& r : step.records)
        text +=
            " " + std::to_string(r.status) + "/" + std::to_string(r.errorCode) + "/" + r.snapDevice;
    return text + "\n";
}

std::string Lun(const refhost::LunOutcome& lun) {
    return lun.operation + " " + std::to_string(lun.result) + ": " +
           std::to_string(lun.request.status) + "/" + std::to_string(lun.request.errorCode) + " " +
           std::to_string(lun.request.sizeBytes) + " " + lun.request.errorMessage + "|\n";
}

// Every flow in a fresh world of the given shape (a row of
// tests/data/shapes/cases.txt); what each ended with.
std::string RunFlows(const std::vector<std::string>& shape) {
    refhost::DemoWorld world = refhost::buildSimulatedArray(SimBinDir());
    struct Remove {
        std::string root;
        ~Remove() { refhost::removeTree(root); }
    } remove{world.root};
    refhost::SimAdmin sim(world.simBin, world.simState);
    sim.runOrThrow({"shape", "--address", world.address, "--set", shape.at(1)});
    if (shape.at(2) == "refuse-wwn") sim.runOrThrow({"refuse-wwn", "--address", world.address});

    std::ostringstream quiet;
    refhost::HostSession session(world.homeDir(), PluginPath(), false, quiet, quiet);
    refhost::setUpDemoHost(session, world);
    if (shape.at(3) == "devlist") {
        refhost::PlatformSettings platform;
        platform.xcliDir = world.simBin;
        platform.devlistPath = world.simBin;
        platform.mountRetrySeconds = world.mountRetrySeconds;
        session.home().writePlatformSettings(platform);
    }

    std::string ended;
    refhost::BackupOptions group;
    group.consistencyGroup = true;
    const int64_t groupJob = refhost::createBackupJob(session, world.disks, group);
    ended += Records(refhost::runBackup(session, groupJob));
    const int64_t singleJob =
        refhost::createBackupJob(session, {world.disks.front()}, refhost::BackupOptions());
    ended += Records(refhost::runBackup(session, singleJob));
    ended += Records(refhost::runSnapStep(session, groupJob, "mount"));
    ended += Records(refhost::runSnapStep(session, groupJob, "unmount"));
    // Snapshots that are gone are told from failed lookups.
    ended += Records(refhost::runSnapStep(session, groupJob, "delete"));
    ended += Records(refhost::runSnapStep(session, groupJob, "reconcile"));

    refhost::LunRequestRow lun;
    lun.arrayName = world.arrayName;
    lun.volumeName = "shape_lun";
    lun.poolName = world.pool;
    lun.sizeBytes = 100 * kGiB;
    ended += Lun(refhost::runLunRequest(session, "create", lun));
    lun.sizeBytes = 130 * kGiB;
    ended += Lun(refhost::runLunRequest(session, "resize", lun));
    lun.mapRequest =
        refhost::mapRequestJson("shape_app", "Red Hat Enterprise Linux", 3, {"10000000C9A0E001"});
    ended += Lun(refhost::runLunRequest(session, "map", lun));

    refhost::InventoryOutcome inventory = refhost::collectInventory(session);
    std::ostringstream tables;
    tables << "inventory " << inventory.result << " " << inventory.allCollected << "\n";
    inventory.arrays.print(tables);
    inventory.pools.print(tables);
    inventory.volumes.print(tables);
    // Snapshot names carry the time they were taken.
    return std::regex_replace(ended + tables.str(), std::regex("_[0-9]{9,}"), "_<time>");
}

TEST(AnswerShapes, EveryFlowEndsAsWithTheSimulatorsOwnShape) {
    if (!PluginAvailable() || !SimAvailable({"xiv_devlist"}))
        GTEST_SKIP() << "plug-in or simulator not built";
    HostWorldEnv env("answer_shapes");
    const auto shapes = TestTable("shapes/cases.txt");
    const std::string own = RunFlows(shapes.at(0));
    // The own shape itself ends as a backup administrator expects.
    EXPECT_EQ(own, TestData("shapes/own_shape_flows.txt"));
    for (size_t i = 1; i < shapes.size(); ++i)
        EXPECT_EQ(RunFlows(shapes[i]), own) << "against " << shapes[i][0];
}

}  // namespace
