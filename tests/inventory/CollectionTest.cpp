// The inventory collection against simulated arrays (real xcli children) and
// the in-memory host inventory; a scripted xcli gives answers no simulated
// array gives (tests/data/xcli/inventory-*).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/inventory/InventoryBody.h"
#include "support/HostWorld.h"
#include "support/ZrsoTestSupport.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const uint64_t kVol = 16384;  // MiB of a 17 GB volume: one allocation unit

class CollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_HOST_WORLD();
        world = std::make_unique<HostWorld>(HostWorldOptions{true, false, "", "", 0, 0});
    }
    int Collect(FakeInventory& inv) { return getArrayInfoBody(&inv, &os); }
    FakeArrayEntry& Register(FakeInventory& inv, const std::string& address, int clientId,
                             const std::string& password = HostWorld::kPassword) {
        return world->registerIn(inv, address, clientId, password);
    }

    std::unique_ptr<HostWorld> world;
    FakeInventory inventory;
    FakeZROSUtil os;
};

TEST_F(CollectionTest, EndsWithOneInsteadOfEndingTheProcessWhenNoListOrNoXcliPath) {
    EXPECT_EQ(Collect(inventory), 0);
    inventory.arrayListResult = 3;
    EXPECT_EQ(Collect(inventory), 1);

    // No xcli directory anywhere: the first array ends the call.
    inventory.arrayListResult = 0;
    PlatformSettings none;
    Register(inventory, "xiv-a", 1);
    Register(inventory, "xiv-b", 2);
    EXPECT_EQ(Collect(inventory), 1);
    EXPECT_THAT(inventory.credentialAsks, ElementsAre("array-xiv-a"));
}

TEST_F(CollectionTest, UpdatesListedRecordsAddsNewOnesAndMarksVanishedOnesWithTheirLuns) {
    world->addArray("xiv-a", "1310134", {"pool_a:68", "pool_new:68"},
                    {"pool_a/vol_kept", "pool_new/vol_n1", "pool_new/vol_n2"});
    world->addArray("xiv-b", "1310135", {"pool_b:17"}, {});
    FakeArrayEntry& a = Register(inventory, "xiv-a", 1);
    FakeArrayEntry& b = Register(inventory, "xiv-b", 2);
    FakePoolRecord& pool = inventory.addStoredPool(1, "pool_a");
    FakePoolRecord& poolGone = inventory.addStoredPool(1, "pool_gone");
    FakePoolRecord& foreign = inventory.addStoredPool(3, "pool_gone");
    FakeVolumeRecord& kept = inventory.addStoredVolume(1, "vol_kept");
    FakeLunRecord& keptLun = inventory.addStoredLun(kept.recordId, "vol_kept");
    FakeVolumeRecord& gone = inventory.addStoredVolume(1, "vol_gone");
    FakeLunRecord& goneLun1 = inventory.addStoredLun(gone.recordId, "vol_gone");
    FakeLunRecord& goneLun2 = inventory.addStoredLun(gone.recordId, "vol_gone_2");

    ASSERT_EQ(Collect(inventory), 0) << world->logText();

    EXPECT_THAT(pool.statuses, ElementsAre(0));
    EXPECT_THAT(pool.useds, ElementsAre(kVol));
    EXPECT_THAT(pool.frees, ElementsAre(3 * kVol));
    EXPECT_THAT(kept.statuses, ElementsAre(0));
    EXPECT_THAT(kept.poolRecordIds, ElementsAre(pool.recordId));
    const std::string bytes = std::to_string(kVol << 20);
    EXPECT_THAT(keptLun.calls,
                ElementsAre("accessible=1", "shared=0", "size=" + bytes, "used=0", "free=" + bytes,
                            "hostLun=-1", "volumeRecordId=" + std::to_string(kept.recordId)));
    for (const std::vector<int>* marked :
         {&poolGone.statuses, &gone.statuses, &goneLun1.statuses, &goneLun2.statuses})
        EXPECT_THAT(*marked, ElementsAre(2));
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

// A listing that failed says nothing of what the array holds.
TEST_F(CollectionTest, AFailedListingMarksNothingAndLeavesTheArrayEntryAlone) {
    world->addArray("xiv-a", "1310134", {"pool_a:34"}, {"pool_a/vol_a"});
    const std::vector<std::vector<std::string>> faults = {
        {"fail", "--status", "COMMAND_NOT_ALLOWED", "--op", "pool_list"},
        {"fail", "--status", "COMMAND_NOT_ALLOWED", "--op", "vol_list"},
        {"garbage", "--op", "vol_list"},
        {"truncate", "--bytes", "200", "--op", "vol_list"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.front() + " " + fault.back());
        FakeInventory fresh;
        FakeArrayEntry& entry = Register(fresh, "xiv-a", 1);
        FakePoolRecord& pool = fresh.addStoredPool(1, "pool_gone");
        FakeVolumeRecord& volume = fresh.addStoredVolume(1, "vol_gone");
        FakeLunRecord& lun = fresh.addStoredLun(volume.recordId, "vol_gone");
        std::vector<std::string> args{"fault", "--address", "xiv-a", "--kind"};
        args.insert(args.end(), fault.begin(), fault.end());
        world->sim().Admin(args);

        EXPECT_EQ(Collect(fresh), 0);
        for (const std::vector<int>* unmarked :
             {&pool.statuses, &volume.statuses, &lun.statuses, &entry.statuses})
            EXPECT_THAT(*unmarked, IsEmpty());
        EXPECT_THAT(entry.totals, IsEmpty());
        world->sim().Admin({"fault-clear", "--address", "xiv-a"});
    }
}

TEST_F(CollectionTest, BadCredentialsSkipOnlyThatArrayAndEmptyListingsStillSweep) {
    world->addArray("xiv-a", "1310134", {"pool_a:17"}, {});
    world->addArray("xiv-b", "1310135", {"pool_b:17"}, {"pool_b/vol_b"});
    FakeArrayEntry& a = Register(inventory, "xiv-a", 1, "wrong-pw");
    FakeVolumeRecord& storedA = inventory.addStoredVolume(1, "vol_a");
    FakeArrayEntry& b = Register(inventory, "xiv-b", 2);
    EXPECT_EQ(Collect(inventory), 0);
    EXPECT_THAT(a.statuses, IsEmpty());
    EXPECT_THAT(storedA.statuses, IsEmpty());
    EXPECT_THAT(b.statuses, ElementsAre(0));
    ASSERT_EQ(inventory.volumesAdded.size(), 1u);
    EXPECT_EQ(inventory.volumesAdded[0].name, "vol_b");

    // The array object reports a listing without volumes as a failure of its
    // own, but the array did answer: what is stored is gone.
    FakeInventory fresh;
    FakeArrayEntry& entry = Register(fresh, "xiv-a", 1);
    FakeVolumeRecord& old = fresh.addStoredVolume(1, "vol_old");
    EXPECT_EQ(Collect(fresh), 0);
    EXPECT_THAT(old.statuses, ElementsAre(2));
    EXPECT_THAT(entry.statuses, ElementsAre(0));
}

// A volume of an unlisted pool, space figures that contradict each other or
// pass the signed range, pools listed in GB.
TEST_F(CollectionTest, OddListingsLeaveAnOrphanAloneAndNeverWrapSpace) {
    world->scriptXcli(TestDataPath("xcli/inventory-odd"));
    FakeArrayEntry& entry = Register(inventory, "scripted", 1);
    FakeVolumeRecord& in = inventory.addStoredVolume(1, "vol_in");
    FakeVolumeRecord& orphan = inventory.addStoredVolume(1, "vol_orphan");
    ASSERT_EQ(Collect(inventory), 0) << world->logText();
    EXPECT_THAT(orphan.statuses, IsEmpty());
    EXPECT_THAT(orphan.sizes, IsEmpty());
    EXPECT_THAT(inventory.volumesAdded, IsEmpty());
    EXPECT_THAT(in.frees, ElementsAre(0u));
    ASSERT_EQ(inventory.poolsAdded.size(), 1u);
    EXPECT_EQ(inventory.poolsAdded[0].usedMiB, 0u);
    EXPECT_THAT(entry.frees, ElementsAre(1200u));

    FakeInventory wide;
    world->scriptXcli(TestDataPath("xcli/inventory-wide"));
    FakeArrayEntry& wideEntry = Register(wide, "scripted", 1);
    ASSERT_EQ(Collect(wide), 0) << world->logText();
    ASSERT_EQ(wide.poolsAdded.size(), 4u);
    using ::testing::Field;
    EXPECT_THAT(wide.poolsAdded,
                ::testing::Contains(::testing::AllOf(Field(&AddPoolCall::name, "p_size"),
                                                     Field(&AddPoolCall::sizeMiB, 3 * kVol),
                                                     Field(&AddPoolCall::usedMiB, 2 * kVol))));
    EXPECT_THAT(wideEntry.totals, ElementsAre(UINT64_MAX));
    EXPECT_THAT(wideEntry.frees, ElementsAre(UINT64_MAX));
}

}  // namespace
