// zrso_mapSnaps end to end: duplicates made, unlocked and mapped on the
// simulated array, the simulated rescan makes their disks appear, and the
// passes tie each disk to its record.
#include <gtest/gtest.h>

#include <algorithm>

#include "MountWorld.h"
#include "engine/boundary/ZrsoExports.h"
#include "engine/mount/Discovery.h"
#include "engine/mount/MountDiscovery.h"
#include "refhost/AttributeText.h"

namespace {

using Mappings = std::vector<std::pair<std::string, int>>;
const auto isMapped = static_cast<int (*)(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*)>(zrso_isMapped);

class MountMap : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
        SetPassSleepForTesting([this](unsigned int ms) { sleeps.push_back(ms); });
    }
    void TearDown() override {
        SetPassSleepForTesting(nullptr);
        SetDebugHookPathForTesting("");
    }

    void Make(bool hostObject = true) { world.reset(new MountWorld(hostObject)); }
    void MapSource(const char* volume, const char* lun) {
        world->Sim({"map", "--address", MountWorld::kAddress, "--host", MountWorld::kHostObject,
                    "--vol", volume, "--lun", lun});
    }
    // The record found its disk, and the disk carries the unlocked duplicate.
    void ExpectMounted(const refhost::SnapRecordRow& row) {
        EXPECT_EQ(row.status, ZRSO::SNAP_DEVICE_FOUND) << row.errorMessage;
        EXPECT_EQ(row.errorCode, 0) << row.errorMessage;
        EXPECT_EQ(world->DiskNaa(row.snapDevice), world->Wwn(world->DuplicateName(row)));
        EXPECT_FALSE(world->VolumeLocked(world->DuplicateName(row)));
    }

    std::unique_ptr<MountWorld> world;
    std::vector<unsigned int> sleeps;
};

}  // namespace

TEST_F(MountMap, OneSnapshotIsMappedAtTheLowestFreeLunAndItsDiskFound) {
    Make();
    MapSource("vol_a", "1");
    const int64_t job = world->SnapshotJob({"vol_b"});

    EXPECT_EQ(world->Call(zrso_mapSnaps, job), 0);
    const auto row = world->Rows(job)[0];
    ExpectMounted(row);
    EXPECT_EQ(world->Mappings(world->DuplicateName(row)), (Mappings{{MountWorld::kHostObject, 2}}));
    const ObservedServices& services = world->LastServices();
    ASSERT_EQ(services.rescans.size(), 1u);
    EXPECT_EQ(services.rescans[0].host, MountWorld::ClientName());
    EXPECT_EQ(services.rescans[0].initiators.size(), 2u);
    EXPECT_EQ(sleeps, std::vector<unsigned int>{MountWorld::kPassWaitMs});
    EXPECT_EQ(world->LogText().find(MountWorld::kPassword), std::string::npos);
}

TEST_F(MountMap, ThreeSnapshotsTakeTheFreeLunsInRecordOrderWithOneInitiatorQuery) {
    Make();
    MapSource("vol_a", "1");
    MapSource("vol_c", "3");
    const int64_t job = world->SnapshotJob({"vol_a", "vol_b", "vol_c"});

    EXPECT_EQ(world->Call(zrso_mapSnaps, job), 0);
    const auto rows = world->Rows(job);
    const int luns[] = {2, 4, 5};
    for (size_t i = 0; i < rows.size(); ++i) {
        ExpectMounted(rows[i]);
        EXPECT_EQ(world->Mappings(world->DuplicateName(rows[i])),
                  (Mappings{{MountWorld::kHostObject, luns[i]}}));
    }
    EXPECT_NE(rows[0].snapDevice, rows[1].snapDevice);
    EXPECT_NE(rows[1].snapDevice, rows[2].snapDevice);
    EXPECT_EQ(world->LastServices().initiatorQueries, 1);
}

TEST_F(MountMap, HostObjectIsCreatedWhenNoneHoldsThePorts) {
    Make(false);
    const int64_t job = world->SnapshotJob({"vol_a"});

    EXPECT_EQ(world->Call(zrso_mapSnaps, job), 0);
    const auto row = world->Rows(job)[0];
    ExpectMounted(row);
    const std::string created = MountWorld::ClientName() + "_9876";
    EXPECT_EQ(world->Mappings(world->DuplicateName(row)), (Mappings{{created, 1}}));
    const std::string shown = world->Sim({"show", "--address", MountWorld::kAddress});
    EXPECT_NE(shown.find(MountWorld::kPort1), std::string::npos) << shown;
    EXPECT_NE(shown.find(MountWorld::kPort2), std::string::npos) << shown;
}

TEST_F(MountMap, DiskThatNeverAppearsIsReportedAfterSixPasses) {
    Make();
    const int64_t job = world->SnapshotJob({"vol_a", "vol_b"});
    world->NextServices(job).hiddenVolumes.insert(world->DuplicateName(world->Rows(job)[1]));

    EXPECT_EQ(world->Call(zrso_mapSnaps, job), 2);
    const auto rows = world->Rows(job);
    ExpectMounted(rows[0]);
    EXPECT_EQ(rows[1].status, ZRSO::SNAP_DUPLICATE_MAPPED);
    EXPECT_EQ(rows[1].errorCode, 60509);
    EXPECT_EQ(rows[1].errorMessage, "Could not find device corresponding to duplicate [" +
                                        world->DuplicateName(rows[1]) + "]");
    EXPECT_EQ(world->LastServices().rescans.size(), 6u);
    EXPECT_EQ(sleeps, std::vector<unsigned int>(6, MountWorld::kPassWaitMs));
}

TEST_F(MountMap, SecondMountOfAMappedSnapshotMapsNothingNewAndStillFindsTheDisk) {
    Make();
    const int64_t job = world->SnapshotJob({"vol_a"});
    ASSERT_EQ(world->Call(zrso_mapSnaps, job), 0);
    const std::string device = world->Rows(job)[0].snapDevice;
    world->Runs("", true);

    EXPECT_EQ(world->Call(zrso_mapSnaps, job), 0);
    const auto row = world->Rows(job)[0];
    ExpectMounted(row);
    EXPECT_EQ(row.snapDevice, device);
    EXPECT_EQ(
        world->Runs("snapshot_duplicate") + world->Runs("vol_unlock") + world->Runs("map_vol"), 0);
}

TEST_F(MountMap, TakenLunIsRetriedAboveTheStartLun) {
    Make();
    const int64_t job = world->SnapshotJob({"vol_a"});
    world->Sim(
        {"fault", "--address", MountWorld::kAddress, "--kind", "lun-in-use", "--count", "2"});
    world->Runs("", true);

    EXPECT_EQ(world->Call(zrso_mapSnaps, job), 0);
    const auto row = world->Rows(job)[0];
    ExpectMounted(row);
    EXPECT_EQ(world->Runs("map_vol"), 3);
    const Mappings mappings = world->Mappings(world->DuplicateName(row));
    ASSERT_EQ(mappings.size(), 1u);
    EXPECT_GT(mappings[0].second, 1);
}

TEST_F(MountMap, VMwareSourceIsMappedHereAndOnTheEsxServerAndUnmappedFromBoth) {
    Make();
    world->AddEsxServer();
    const int64_t job = world->SnapshotJob({"vol_a"}, true);
    const std::string esxHost = refhost::formatAttributes({{"esxname", MountWorld::kEsx}});

    EXPECT_EQ(world->Call(zrso_mapSnaps, job), 0);
    const auto row = world->Rows(job)[0];
    const std::string duplicate = world->DuplicateName(row);
    EXPECT_EQ(row.status, ZRSO::SNAP_DEVICE_FOUND) << row.errorMessage;
    // The disk found is the ESX server's datastore disk of the duplicate.
    EXPECT_NE(row.snapDevice.find("esxname:esx1"), std::string::npos) << row.snapDevice;
    Mappings mappings = world->Mappings(duplicate);
    std::sort(mappings.begin(), mappings.end());
    EXPECT_EQ(mappings, (Mappings{{MountWorld::kEsxHostObject, 1}, {MountWorld::kHostObject, 1}}));
    const auto& rescans = world->LastServices().rescans;
    EXPECT_TRUE(std::any_of(rescans.begin(), rescans.end(), [&](const RescanCall& r) {
        return r.host == esxHost && r.initiators == std::vector<std::string>{MountWorld::kEsxPort};
    }));

    // Mapped counts only while both host objects have it.
    EXPECT_EQ(world->Call(isMapped, job), 0);
    EXPECT_EQ(world->Rows(job)[0].status, ZRSO::SNAP_DUPLICATE_MAPPED);
    XivError error;
    std::string lun = "1";
    world->Array().UnMapVolume(duplicate, {}, MountWorld::kEsxHostObject, error);
    EXPECT_EQ(world->Call(isMapped, job), 0);
    EXPECT_EQ(world->Rows(job)[0].status, ZRSO::SNAP_DUPLICATE_EXISTS);

    world->Array().MapVolume(duplicate, MountWorld::kEsxHostObject, lun, error);
    EXPECT_EQ(world->Call(zrso_unmapSnaps, job), 0);
    EXPECT_TRUE(world->Mappings(duplicate).empty());
    EXPECT_FALSE(world->VolumePresent(duplicate));
    ASSERT_EQ(world->LastServices().rescans.size(), 1u);
    EXPECT_EQ(world->LastServices().rescans[0].host, esxHost);
}

TEST_F(MountMap, DebugHookOutputNeverShowsAPassword) {
    Make();
    TempDir hookDir("mount-hook");
    SetDebugHookPathForTesting(hookDir.write("hook", ""));
    const int64_t job = world->SnapshotJob({"vol_a"});
    world->NextServices(job).extraDevices.push_back("{idatype:odd,hostPassword:Sekr3tPw}");

    EXPECT_EQ(world->Call(zrso_mapSnaps, job), 0);
    std::istringstream log(world->LogText());
    int hookLines = 0;
    for (std::string line; std::getline(log, line);) {
        if (line.find("DeviceName [") == std::string::npos) continue;
        ++hookLines;
        EXPECT_EQ(line.find("Sekr3tPw"), std::string::npos) << line;
    }
    // Before the duplicate: the odd name; after it: the one new disk.
    EXPECT_EQ(hookLines, 2);
    EXPECT_NE(world->LogText().find("hostPassword:***}"), std::string::npos);
}
