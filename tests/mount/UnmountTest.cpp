// zrso_unmapSnaps end to end: duplicates unmapped from every host object
// holding this machine's ports and deleted, their disks handed to the final
// rescan for removal; a failing record does not stop the next.
#include <gtest/gtest.h>

#include "MountWorld.h"
#include "engine/boundary/ZrsoExports.h"
#include "engine/mount/MountDiscovery.h"

namespace {

class MountUnmap : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
        SetPassSleepForTesting([](unsigned int) {});
        // Each port belongs to a host object of its own.
        world.reset(new MountWorld(false));
        world->Sim({"host-create", "--address", MountWorld::kAddress, "--host", "host_a", "--fc",
                    MountWorld::kPort1});
        world->Sim({"host-create", "--address", MountWorld::kAddress, "--host", "host_b", "--fc",
                    MountWorld::kPort2});
        job = world->SnapshotJob({"vol_a", "vol_b"});
        ASSERT_EQ(world->Call(zrso_mapSnaps, job), 0);
        mounted = world->Rows(job);
    }
    void TearDown() override { SetPassSleepForTesting(nullptr); }

    std::unique_ptr<MountWorld> world;
    int64_t job = 0;
    std::vector<refhost::SnapRecordRow> mounted;
};

}  // namespace

TEST_F(MountUnmap, UnmapsFromEveryHostObjectHoldingThePortsDeletesAndDropsTheDisks) {
    const std::string first = world->DuplicateName(mounted[0]);
    const auto mapped = world->Mappings(first);
    ASSERT_EQ(mapped.size(), 1u);
    XivError error;
    int& code = error.code;
    std::string& text = error.text;
    std::string lun = "9";
    world->Array().MapVolume(first, mapped[0].first == "host_a" ? "host_b" : "host_a", lun, error);
    ASSERT_EQ(code, 0) << text;

    EXPECT_EQ(world->Call(zrso_unmapSnaps, job), 0);
    for (const auto& row : world->Rows(job)) {
        EXPECT_EQ(row.status, ZRSO::SNAP_UNMAPPED) << row.errorMessage;
        EXPECT_TRUE(world->Mappings(world->DuplicateName(row)).empty());
        EXPECT_FALSE(world->VolumePresent(world->DuplicateName(row)));
    }
    const ObservedServices& services = world->LastServices();
    EXPECT_EQ(services.initiatorQueries, 1);
    ASSERT_EQ(services.rescans.size(), 1u);
    EXPECT_EQ(services.rescans[0].host, MountWorld::ClientName());
    EXPECT_EQ(services.rescans[0].initiators.size(), 2u);
    EXPECT_EQ(services.rescans[0].devices,
              (std::vector<std::string>{mounted[0].snapDevice, mounted[1].snapDevice}));
}

TEST_F(MountUnmap, UnmapFailureOnOneRecordStillHandlesTheNext) {
    world->Sim({"fault", "--address", MountWorld::kAddress, "--kind", "fail", "--op", "unmap_vol",
                "--status", "HOST_BAD_NAME"});

    EXPECT_EQ(world->Call(zrso_unmapSnaps, job), 2);
    const auto rows = world->Rows(job);
    EXPECT_EQ(rows[0].status, ZRSO::SNAP_UNMAP_FAILED);
    EXPECT_EQ(rows[0].errorCode, 61044);
    EXPECT_EQ(rows[0].errorMessage.rfind("Unable to unmap duplicate of the snap:[snap_", 0), 0u)
        << rows[0].errorMessage;
    EXPECT_EQ(world->Mappings(world->DuplicateName(rows[0])).size(), 1u);
    EXPECT_EQ(rows[1].status, ZRSO::SNAP_UNMAPPED);
    EXPECT_FALSE(world->VolumePresent(world->DuplicateName(rows[1])));
    // Only the unmapped record's disk is dropped.
    EXPECT_EQ(world->LastServices().rescans.at(0).devices,
              std::vector<std::string>{mounted[1].snapDevice});
}
