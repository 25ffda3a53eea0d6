// The inventory collection against simulated arrays (real xcli children) and
// the in-memory host inventory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "InventoryWorld.h"
#include "engine/EntryBodies.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const uint64_t kVolMiB = 17 * 1024;  // a 17 GB simulated volume
const uint64_t kMiB = 1 << 20;

class CollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
        world = std::make_unique<InventoryWorld>();
    }
    int Collect() { return getArrayInfoBody(&inventory, &os); }
    int Lines(const std::string& text, int level = -99) { return world->log().count(text, level); }

    std::unique_ptr<InventoryWorld> world;
    FakeInventory inventory;
    FakeZROSUtil os;
};

TEST_F(CollectionTest, EmptyArrayListCompletes) {
    EXPECT_EQ(Collect(), 0);
    EXPECT_EQ(Lines("Data Collection completed", 0), 1);
}

TEST_F(CollectionTest, NoArrayListOrNoXcliPathReturnsOneInsteadOfEndingTheProcess) {
    inventory.arrayListResult = 3;
    EXPECT_EQ(Collect(), 1);
    EXPECT_EQ(Lines("Failed to get array list", -1), 1);
    EXPECT_THAT(inventory.credentialAsks, IsEmpty());

    // Neither the platform nor the control host names an xcli directory: the
    // first array ends the call, the second is never asked for.
    inventory.arrayListResult = 0;
    world->settings().clear();
    world->Register(inventory, "xiv-a", 1);
    world->Register(inventory, "xiv-b", 2);
    EXPECT_EQ(Collect(), 1);
    EXPECT_EQ(Lines("Failed to get XIV SDK Path", -1), 1);
    EXPECT_THAT(inventory.credentialAsks, ElementsAre("array-xiv-a"));
    EXPECT_EQ(Lines("Data Collection completed"), 0);
}

TEST_F(CollectionTest, ListedRecordsAreUpdatedAndVanishedOnesMarkedDeletedWithTheirLuns) {
    world->Array("xiv-a", "1310133");
    world->Pool("xiv-a", "pool_a", 68);
    world->Volume("xiv-a", "pool_a", "vol_kept");
    world->Volume("xiv-a", "pool_a", "vol_new");
    FakeArrayEntry& entry = world->Register(inventory, "xiv-a", 1);
    FakePoolRecord& pool = inventory.addStoredPool(1, "pool_a");
    FakePoolRecord& poolGone = inventory.addStoredPool(1, "pool_gone");
    FakeVolumeRecord& kept = inventory.addStoredVolume(1, "vol_kept");
    FakeLunRecord& keptLun = inventory.addStoredLun(kept.recordId, "vol_kept");
    FakeVolumeRecord& gone = inventory.addStoredVolume(1, "vol_gone");
    FakeLunRecord& goneLun1 = inventory.addStoredLun(gone.recordId, "vol_gone");
    FakeLunRecord& goneLun2 = inventory.addStoredLun(gone.recordId, "vol_gone_b");
    // Another array's records are none of this array's business.
    FakePoolRecord& foreignPool = inventory.addStoredPool(2, "pool_gone");

    ASSERT_EQ(Collect(), 0) << world->log().text();

    EXPECT_THAT(pool.statuses, ElementsAre(0));
    EXPECT_THAT(pool.totals, ElementsAre(4 * kVolMiB));
    EXPECT_THAT(pool.useds, ElementsAre(2 * kVolMiB));
    EXPECT_THAT(pool.frees, ElementsAre(2 * kVolMiB));
    ASSERT_EQ(pool.poolIds.size(), 1u);
    EXPECT_FALSE(pool.poolIds[0].empty());
    EXPECT_THAT(poolGone.statuses, ElementsAre(2));
    EXPECT_EQ(Lines("Resource Pool[pool_gone] not found on the array. Marking this as Deleted"),
              1);

    EXPECT_THAT(kept.statuses, ElementsAre(0));
    EXPECT_THAT(kept.poolRecordIds, ElementsAre(pool.recordId));
    EXPECT_THAT(kept.sizes, ElementsAre(kVolMiB));
    EXPECT_THAT(kept.frees, ElementsAre(kVolMiB));
    EXPECT_THAT(kept.namesSet, ElementsAre("vol_kept"));
    EXPECT_THAT(keptLun.calls,
                ElementsAre("accessible=1", "shared=0", "size=" + std::to_string(kVolMiB * kMiB),
                            "used=0", "free=" + std::to_string(kVolMiB * kMiB), "hostLun=-1",
                            "volumeRecordId=" + std::to_string(kept.recordId)));

    EXPECT_THAT(gone.statuses, ElementsAre(2));
    EXPECT_THAT(goneLun1.statuses, ElementsAre(2));
    EXPECT_THAT(goneLun2.statuses, ElementsAre(2));
    EXPECT_EQ(Lines("Volume[vol_gone] not found. Marking this as Deleted."), 1);

    ASSERT_EQ(inventory.volumesAdded.size(), 1u);
    EXPECT_EQ(inventory.volumesAdded[0].name, "vol_new");
    EXPECT_EQ(inventory.volumesAdded[0].tempVolumeId, -1);
    EXPECT_THAT(inventory.poolsAdded, IsEmpty());

    EXPECT_THAT(foreignPool.statuses, IsEmpty());
    EXPECT_THAT(entry.flags, ElementsAre(1));
    EXPECT_THAT(entry.statuses, ElementsAre(0));
    EXPECT_EQ(Lines("Data Collection completed"), 1);
}

TEST_F(CollectionTest, NewVolumesOfANewPoolGetTemporaryIdsTheirLunsPointAt) {
    world->Array("xiv-a", "1310133");
    world->Pool("xiv-a", "pool_new", 68);
    world->Volume("xiv-a", "pool_new", "vol_n1");
    world->Volume("xiv-a", "pool_new", "vol_n2");
    world->Register(inventory, "xiv-a", 4);

    ASSERT_EQ(Collect(), 0) << world->log().text();

    ASSERT_EQ(inventory.poolsAdded.size(), 1u);
    const AddPoolCall& pool = inventory.poolsAdded[0];
    EXPECT_EQ(pool.arrayId, 104);
    EXPECT_EQ(pool.clientId, 4);
    EXPECT_EQ(pool.sizeMiB, 4 * kVolMiB);
    EXPECT_EQ(pool.usedMiB, 2 * kVolMiB);

    ASSERT_EQ(inventory.volumesAdded.size(), 2u);
    ASSERT_EQ(inventory.lunsAdded.size(), 2u);
    std::vector<int> tempIds;
    for (size_t i = 0; i < 2; ++i) {
        const AddVolumeCall& v = inventory.volumesAdded[i];
        const AddLunCall& l = inventory.lunsAdded[i];
        tempIds.push_back(v.tempVolumeId);
        EXPECT_EQ(v.poolRecordId, pool.newRecordId);
        EXPECT_EQ(v.clientId, 4);
        EXPECT_EQ(v.sizeMiB, kVolMiB);
        EXPECT_EQ(l.tempLunId, v.tempVolumeId);
        EXPECT_EQ(l.tempVolumeId, v.tempVolumeId);
        EXPECT_EQ(l.name, v.name);
        EXPECT_EQ(l.sizeBytes, kVolMiB * kMiB);
    }
    EXPECT_THAT(tempIds, ElementsAre(-1, -2));
    EXPECT_EQ(Lines("Resource Pool[pool_new].", 0), 2);
    EXPECT_EQ(Lines("Resource Pool ID [" + std::to_string(pool.newRecordId) + "].", 0), 2);
}

TEST_F(CollectionTest, ArrayTotalsSumOnlyThatArraysPools) {
    world->Array("xiv-a", "1310133");
    world->Array("xiv-b", "1310134");
    world->Pool("xiv-a", "pool_a1", 34);
    world->Pool("xiv-a", "pool_a2", 51);
    world->Volume("xiv-a", "pool_a1", "vol_a");
    world->Pool("xiv-b", "pool_b", 17);
    FakeArrayEntry& a = world->Register(inventory, "xiv-a", 1);
    FakeArrayEntry& b = world->Register(inventory, "xiv-b", 2);

    ASSERT_EQ(Collect(), 0) << world->log().text();

    EXPECT_THAT(a.totals, ElementsAre(5 * kVolMiB));
    EXPECT_THAT(a.frees, ElementsAre(4 * kVolMiB));
    EXPECT_THAT(b.totals, ElementsAre(kVolMiB));
    EXPECT_THAT(b.frees, ElementsAre(kVolMiB));
}

TEST_F(CollectionTest, AFailedListingMarksNothingDeletedAndLeavesTheArrayEntryAlone) {
    world->Array("xiv-a", "1310133");
    world->Pool("xiv-a", "pool_a", 34);
    world->Volume("xiv-a", "pool_a", "vol_a");
    const std::vector<std::vector<std::string>> faults = {
        {"--kind", "fail", "--status", "COMMAND_NOT_ALLOWED", "--op", "pool_list"},
        {"--kind", "fail", "--status", "COMMAND_NOT_ALLOWED", "--op", "vol_list"},
        {"--kind", "garbage", "--op", "vol_list"},
        {"--kind", "truncate", "--bytes", "200", "--op", "vol_list"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault[1] + " " + fault.back());
        FakeInventory fresh;
        FakeArrayEntry& entry = world->Register(fresh, "xiv-a", 1);
        FakePoolRecord& pool = fresh.addStoredPool(1, "pool_gone");
        FakeVolumeRecord& volume = fresh.addStoredVolume(1, "vol_gone");
        FakeLunRecord& lun = fresh.addStoredLun(volume.recordId, "vol_gone");
        std::vector<std::string> args{"fault", "--address", "xiv-a"};
        args.insert(args.end(), fault.begin(), fault.end());
        world->Sim(args);
        world->log().clear();

        EXPECT_EQ(getArrayInfoBody(&fresh, &os), 0);
        EXPECT_THAT(pool.statuses, IsEmpty());
        EXPECT_THAT(volume.statuses, IsEmpty());
        EXPECT_THAT(lun.statuses, IsEmpty());
        EXPECT_THAT(entry.statuses, IsEmpty());
        EXPECT_THAT(entry.totals, IsEmpty());
        EXPECT_EQ(Lines("not collected: a listing failed, nothing is marked deleted", -1), 1);
        world->Sim({"fault-clear", "--address", "xiv-a"});
    }
}

TEST_F(CollectionTest, AnArrayWithoutVolumesStillHasItsStoredVolumesSwept) {
    world->Array("xiv-a", "1310133");
    world->Pool("xiv-a", "pool_a", 17);
    FakeArrayEntry& entry = world->Register(inventory, "xiv-a", 1);
    FakeVolumeRecord& old = inventory.addStoredVolume(1, "vol_old");

    EXPECT_EQ(Collect(), 0);
    EXPECT_THAT(old.statuses, ElementsAre(2));
    EXPECT_THAT(entry.statuses, ElementsAre(0));
}

TEST_F(CollectionTest, BadCredentialsSkipThatArrayAndTheOthersAreCollected) {
    world->Array("xiv-a", "1310133");
    world->Array("xiv-b", "1310134");
    world->Pool("xiv-a", "pool_a", 17);
    world->Pool("xiv-b", "pool_b", 17);
    world->Volume("xiv-b", "pool_b", "vol_b");
    FakeArrayEntry& a = world->Register(inventory, "xiv-a", 1, "wrong-pw");
    FakeVolumeRecord& storedA = inventory.addStoredVolume(1, "vol_a");
    FakeArrayEntry& b = world->Register(inventory, "xiv-b", 2);

    EXPECT_EQ(Collect(), 0);
    EXPECT_THAT(a.statuses, IsEmpty());
    EXPECT_THAT(storedA.statuses, IsEmpty());
    EXPECT_THAT(b.statuses, ElementsAre(0));
    ASSERT_EQ(inventory.volumesAdded.size(), 1u);
    EXPECT_EQ(inventory.volumesAdded[0].name, "vol_b");
    // Deciphered passwords never reach the log.
    const std::string log = world->log().text();
    EXPECT_EQ(log.find("wrong-pw"), std::string::npos);
    EXPECT_EQ(log.find(InventoryWorld::kPassword), std::string::npos);
}

TEST_F(CollectionTest, InsertFailuresSkipOnlyWhatDependsOnThem) {
    world->Array("xiv-a", "1310133");
    world->Pool("xiv-a", "pool_a", 34);
    world->Volume("xiv-a", "pool_a", "vol_a");
    world->Register(inventory, "xiv-a", 1);
    int volumeLookups = 0;
    inventory.onCall = [&](const char* op) { volumeLookups += std::string(op) == "findVolume"; };

    inventory.addPoolResult = 1;
    EXPECT_EQ(Collect(), 0);
    EXPECT_EQ(volumeLookups, 0);
    EXPECT_EQ(Lines("Failed to add details for storage pool[pool_a] to the DB.", -1), 1);

    inventory.addPoolResult = 0;
    inventory.addVolumeResult = 1;
    EXPECT_EQ(Collect(), 0);
    EXPECT_EQ(inventory.volumesAdded.size(), 1u);
    EXPECT_THAT(inventory.lunsAdded, IsEmpty());
    EXPECT_EQ(Lines("Failed to add new volume[vol_a]", -1), 1);
}

// Answers no simulated array gives: a volume of a pool the listing lacks,
// and space figures that contradict each other.
TEST_F(CollectionTest, OddListingsTouchNoOrphanAndNeverWrapSpace) {
    world->Script(XmlAnswer("SUCCESS", {{"pool",
                                         {{"name", "p1"},
                                          {"id", "7"},
                                          {"hard_size_MiB", "1000"},
                                          {"empty_space_hard_MiB", "1200"}}}}),
                  XmlAnswer("SUCCESS", {{"volume",
                                         {{"name", "vol_in"},
                                          {"pool_name", "p1"},
                                          {"size_MiB", "100"},
                                          {"used_capacity_MiB", "150"}}},
                                        {"volume",
                                         {{"name", "vol_orphan"},
                                          {"pool_name", "p_unlisted"},
                                          {"size_MiB", "100"}}}}));
    FakeArrayEntry& entry = world->Register(inventory, "scripted", 1);
    FakeVolumeRecord& in = inventory.addStoredVolume(1, "vol_in");
    FakeVolumeRecord& orphan = inventory.addStoredVolume(1, "vol_orphan");

    ASSERT_EQ(Collect(), 0) << world->log().text();

    EXPECT_THAT(orphan.statuses, IsEmpty());
    EXPECT_THAT(orphan.sizes, IsEmpty());
    EXPECT_THAT(inventory.volumesAdded, IsEmpty());
    ASSERT_EQ(inventory.poolsAdded.size(), 1u);
    EXPECT_EQ(inventory.poolsAdded[0].usedMiB, 0u);
    EXPECT_THAT(in.useds, ElementsAre(150u));
    EXPECT_THAT(in.frees, ElementsAre(0u));
    EXPECT_THAT(entry.totals, ElementsAre(1000u));
    EXPECT_THAT(entry.frees, ElementsAre(1200u));
}

}  // namespace
