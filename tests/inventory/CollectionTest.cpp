// The inventory collection against simulated arrays (real xcli children) and
// the in-memory host inventory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "InventoryWorld.h"
#include "engine/inventory/InventoryBody.h"
#include "support/FakeZROSUtil.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const uint64_t kVol = 16384;  // MiB of a 17 GB volume: one allocation unit

class CollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
        world = std::make_unique<InventoryWorld>();
    }
    int Collect(FakeInventory& inv) { return getArrayInfoBody(&inv, &os); }
    int Lines(const std::string& text, int level = -99) { return world->log().count(text, level); }

    std::unique_ptr<InventoryWorld> world;
    FakeInventory inventory;
    FakeZROSUtil os;
};

TEST_F(CollectionTest, EndsWithOneInsteadOfEndingTheProcessWhenNoListOrNoXcliPath) {
    EXPECT_EQ(Collect(inventory), 0);
    EXPECT_EQ(Lines("Data Collection completed", 0), 1);

    inventory.arrayListResult = 3;
    EXPECT_EQ(Collect(inventory), 1);
    EXPECT_EQ(Lines("Failed to get array list", -1), 1);

    // No xcli directory anywhere: the first array ends the call.
    inventory.arrayListResult = 0;
    world->settings().clear();
    world->Register(inventory, "xiv-a", 1);
    world->Register(inventory, "xiv-b", 2);
    EXPECT_EQ(Collect(inventory), 1);
    EXPECT_EQ(Lines("Failed to get XIV SDK Path", -1), 1);
    EXPECT_THAT(inventory.credentialAsks, ElementsAre("array-xiv-a"));
}

TEST_F(CollectionTest, UpdatesListedRecordsAddsNewOnesAndMarksVanishedOnesWithTheirLuns) {
    world->Array("xiv-a", "1310133", {"pool_a:68", "pool_new:68"},
                 {"pool_a/vol_kept", "pool_new/vol_n1", "pool_new/vol_n2"});
    world->Array("xiv-b", "1310134", {"pool_b:17"}, {});
    FakeArrayEntry& a = world->Register(inventory, "xiv-a", 1);
    FakeArrayEntry& b = world->Register(inventory, "xiv-b", 2);
    FakePoolRecord& pool = inventory.addStoredPool(1, "pool_a");
    FakePoolRecord& poolGone = inventory.addStoredPool(1, "pool_gone");
    FakePoolRecord& foreign = inventory.addStoredPool(3, "pool_gone");
    FakeVolumeRecord& kept = inventory.addStoredVolume(1, "vol_kept");
    FakeLunRecord& keptLun = inventory.addStoredLun(kept.recordId, "vol_kept");
    FakeVolumeRecord& gone = inventory.addStoredVolume(1, "vol_gone");
    FakeLunRecord& goneLun1 = inventory.addStoredLun(gone.recordId, "vol_gone");
    FakeLunRecord& goneLun2 = inventory.addStoredLun(gone.recordId, "vol_gone_2");

    ASSERT_EQ(Collect(inventory), 0) << world->log().text();

    EXPECT_THAT(pool.statuses, ElementsAre(0));
    EXPECT_THAT(pool.useds, ElementsAre(kVol));
    EXPECT_THAT(pool.frees, ElementsAre(3 * kVol));
    EXPECT_THAT(kept.statuses, ElementsAre(0));
    EXPECT_THAT(kept.poolRecordIds, ElementsAre(pool.recordId));
    const std::string bytes = std::to_string(kVol << 20);
    EXPECT_THAT(keptLun.calls,
                ElementsAre("accessible=1", "shared=0", "size=" + bytes, "used=0", "free=" + bytes,
                            "hostLun=-1", "volumeRecordId=" + std::to_string(kept.recordId)));

    EXPECT_THAT(poolGone.statuses, ElementsAre(2));
    EXPECT_THAT(gone.statuses, ElementsAre(2));
    EXPECT_THAT(goneLun1.statuses, ElementsAre(2));
    EXPECT_THAT(goneLun2.statuses, ElementsAre(2));
    EXPECT_THAT(foreign.statuses, IsEmpty());

    // Two new pools (pool_new, pool_b); the two new volumes hang off the
    // first and their LUN records off them.
    ASSERT_EQ(inventory.poolsAdded.size(), 2u);
    ASSERT_EQ(inventory.volumesAdded.size(), 2u);
    ASSERT_EQ(inventory.lunsAdded.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const AddVolumeCall& v = inventory.volumesAdded[i];
        EXPECT_EQ(v.tempVolumeId, -1 - i);
        EXPECT_EQ(v.poolRecordId, inventory.poolsAdded[0].newRecordId);
        EXPECT_EQ(inventory.lunsAdded[i].tempLunId, -1 - i);
        EXPECT_EQ(inventory.lunsAdded[i].tempVolumeId, -1 - i);
        EXPECT_EQ(inventory.lunsAdded[i].name, v.name);
    }

    // Each array's totals cover its own pools only.
    EXPECT_THAT(a.statuses, ElementsAre(0));
    EXPECT_THAT(a.totals, ElementsAre(8 * kVol));
    EXPECT_THAT(a.frees, ElementsAre(5 * kVol));
    EXPECT_THAT(b.totals, ElementsAre(kVol));
    EXPECT_THAT(b.frees, ElementsAre(kVol));
}

TEST_F(CollectionTest, AFailedListingMarksNothingAndLeavesTheArrayEntryAlone) {
    world->Array("xiv-a", "1310133", {"pool_a:34"}, {"pool_a/vol_a"});
    const std::vector<std::vector<std::string>> faults = {
        {"fail", "--status", "COMMAND_NOT_ALLOWED", "--op", "pool_list"},
        {"fail", "--status", "COMMAND_NOT_ALLOWED", "--op", "vol_list"},
        {"garbage", "--op", "vol_list"},
        {"truncate", "--bytes", "200", "--op", "vol_list"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.front() + " " + fault.back());
        FakeInventory fresh;
        FakeArrayEntry& entry = world->Register(fresh, "xiv-a", 1);
        FakePoolRecord& pool = fresh.addStoredPool(1, "pool_gone");
        FakeVolumeRecord& volume = fresh.addStoredVolume(1, "vol_gone");
        FakeLunRecord& lun = fresh.addStoredLun(volume.recordId, "vol_gone");
        std::vector<std::string> args{"fault", "--address", "xiv-a", "--kind"};
        args.insert(args.end(), fault.begin(), fault.end());
        world->Sim(args);

        EXPECT_EQ(Collect(fresh), 0);
        EXPECT_THAT(pool.statuses, IsEmpty());
        EXPECT_THAT(volume.statuses, IsEmpty());
        EXPECT_THAT(lun.statuses, IsEmpty());
        EXPECT_THAT(entry.statuses, IsEmpty());
        EXPECT_THAT(entry.totals, IsEmpty());
        world->Sim({"fault-clear", "--address", "xiv-a"});
    }
}

TEST_F(CollectionTest, BadCredentialsSkipOnlyThatArrayAndNoPasswordIsLogged) {
    world->Array("xiv-a", "1310133", {"pool_a:17"}, {});
    world->Array("xiv-b", "1310134", {"pool_b:17"}, {"pool_b/vol_b"});
    FakeArrayEntry& a = world->Register(inventory, "xiv-a", 1, "wrong-pw");
    FakeVolumeRecord& storedA = inventory.addStoredVolume(1, "vol_a");
    FakeArrayEntry& b = world->Register(inventory, "xiv-b", 2);

    EXPECT_EQ(Collect(inventory), 0);
    EXPECT_THAT(a.statuses, IsEmpty());
    EXPECT_THAT(storedA.statuses, IsEmpty());
    EXPECT_THAT(b.statuses, ElementsAre(0));
    ASSERT_EQ(inventory.volumesAdded.size(), 1u);
    EXPECT_EQ(inventory.volumesAdded[0].name, "vol_b");
    EXPECT_EQ(world->log().text().find("wrong-pw"), std::string::npos);
    EXPECT_EQ(world->log().text().find(InventoryWorld::kPassword), std::string::npos);
}

// The array object reports a listing without volumes as a failure of its
// own, but the array did answer: what is stored is gone.
TEST_F(CollectionTest, AnArrayWithoutVolumesHasItsStoredVolumesMarked) {
    world->Array("xiv-a", "1310133", {"pool_a:17"}, {});
    FakeArrayEntry& entry = world->Register(inventory, "xiv-a", 1);
    FakeVolumeRecord& old = inventory.addStoredVolume(1, "vol_old");
    EXPECT_EQ(Collect(inventory), 0);
    EXPECT_THAT(old.statuses, ElementsAre(2));
    EXPECT_THAT(entry.statuses, ElementsAre(0));
}

std::string Answer(const std::string& records) {
    return "<XCLIRETURN STATUS=\"SUCCESS\" COMMAND_LINE=\"x\"><OUTPUT>" + records +
           "</OUTPUT></XCLIRETURN>";
}

// Answers no simulated array gives: a volume of an unlisted pool, and space
// figures that contradict each other.
TEST_F(CollectionTest, OddListingsLeaveAnOrphanAloneAndNeverWrapSpace) {
    world->Script(
        Answer("<pool id='1'><name value='p1'/><id value='7'/>"
               "<hard_size_MiB value='1000'/><empty_space_hard_MiB value='1200'/></pool>"),
        Answer("<volume id='1'><name value='vol_in'/><pool_name value='p1'/>"
               "<size_MiB value='100'/><used_capacity_MiB value='150'/></volume>"
               "<volume id='2'><name value='vol_orphan'/><pool_name value='px'/>"
               "<size_MiB value='100'/></volume>"));
    FakeArrayEntry& entry = world->Register(inventory, "scripted", 1);
    FakeVolumeRecord& in = inventory.addStoredVolume(1, "vol_in");
    FakeVolumeRecord& orphan = inventory.addStoredVolume(1, "vol_orphan");

    ASSERT_EQ(Collect(inventory), 0) << world->log().text();
    EXPECT_THAT(orphan.statuses, IsEmpty());
    EXPECT_THAT(orphan.sizes, IsEmpty());
    EXPECT_THAT(inventory.volumesAdded, IsEmpty());
    ASSERT_EQ(inventory.poolsAdded.size(), 1u);
    EXPECT_EQ(inventory.poolsAdded[0].usedMiB, 0u);
    EXPECT_THAT(in.frees, ElementsAre(0u));
    EXPECT_THAT(entry.frees, ElementsAre(1200u));
}

// Pools as some arrays list them: without the soft/hard split (space in GB,
// 17 GB to 16 GiB), or with figures beyond the signed 64-bit range.
TEST_F(CollectionTest, PoolSpaceFromSizeAloneAndTotalsThatNeverWrap) {
    const std::string huge =
        "<hard_size_MiB value='18446744073709453150'/>"
        "<empty_space_hard_MiB value='18446744073709453150'/>";
    world->Script(Answer("<pool><name value='p_size'/><size value='51'/><empty_space value='17'/>"
                         "<lock_behavior value='read_only'/></pool>"
                         "<pool><name value='p_big1'/>" +
                         huge +
                         "</pool>"
                         "<pool><name value='p_big2'/>" +
                         huge +
                         "</pool>"
                         "<pool><name value='p_big3'/>" +
                         huge + "</pool>"),
                  Answer(""));
    FakeArrayEntry& entry = world->Register(inventory, "scripted", 1);

    ASSERT_EQ(Collect(inventory), 0) << world->log().text();
    ASSERT_EQ(inventory.poolsAdded.size(), 4u);
    auto sized = std::find_if(inventory.poolsAdded.begin(), inventory.poolsAdded.end(),
                              [](const AddPoolCall& pool) { return pool.name == "p_size"; });
    ASSERT_NE(sized, inventory.poolsAdded.end());
    EXPECT_EQ(sized->sizeMiB, 3 * kVol);
    EXPECT_EQ(sized->usedMiB, 2 * kVol);
    EXPECT_THAT(entry.totals, ElementsAre(UINT64_MAX));
    EXPECT_THAT(entry.frees, ElementsAre(UINT64_MAX));
}

}  // namespace
