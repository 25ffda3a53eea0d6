// The inventory collection against simulated arrays (real xcli children),
// into the host's inventory tables as the reference host keeps them; a
// scripted xcli gives answers no simulated array gives
// (tests/data/xcli/inventory-*). Stored records start with status 1, so
// every status the collection writes shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/inventory/InventoryBody.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/HostInventoryDb.h"
#include "support/FakeInventory.h"
#include "support/FakeZROSUtil.h"
#include "support/HostWorld.h"
#include "support/PlatformSettings.h"
#include "support/TestData.h"

namespace {

using ::testing::ElementsAre;

const uint64_t kVol = 16384;  // MiB of a 17 GB volume: one allocation unit

class CollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_HOST_WORLD();
        world = std::make_unique<HostWorld>(HostWorldOptions{true, false, "", "", 0, 0});
        world->hostDbRun("DELETE FROM arrays", {});
    }
    // One collection as the host runs it, every array uncollected at first;
    // asked: the arrays whose login was asked for.
    int Collect() {
        world->hostDbRun("UPDATE arrays SET inv_status = -1", {});
        refhost::HostInventoryDb inventory(world->database());
        inventory.setEventSink([this](const refhost::InventoryEvent& e) {
            if (e.kind == refhost::InventoryEvent::kArray) asked.push_back(e.name);
        });
        return getArrayInfoBody(&inventory, &os);
    }
    // An array of the host, named by its address; its record id.
    std::string Register(const std::string& address, const std::string& serial,
                         const std::string& password = HostWorld::kPassword) {
        refhost::ArrayRegistry arrays(world->database());
        return std::to_string(arrays.add(address, address, HostWorld::kUser, password, serial));
    }
    // A record an earlier collection stored, under an array (pools, volumes)
    // or a volume (LUNs); its record id.
    std::string Store(const std::string& table, const std::string& owner, const std::string& name) {
        const std::string column = table == "inv_luns" ? "volume_record_id" : "array_id";
        world->hostDbRun("INSERT INTO " + table + "(" + column + ", name, status) VALUES(?, ?, 1)",
                         {owner, name});
        return Value("SELECT max(id) FROM " + table);
    }
    std::string Value(const std::string& sql) const { return world->hostDbValue(sql); }
    // The rows of a table as "name:field field ...", by name.
    std::string Rows(const std::string& table, const std::string& fields = "status") const {
        return Value("SELECT group_concat(name || ':' || " + fields +
                     ", ', ') FROM (SELECT * FROM " + table + " ORDER BY name)");
    }
    std::string Arrays() const {
        return Rows("arrays", "inv_status || ' ' || total_mib || ' ' || free_mib");
    }

    std::unique_ptr<HostWorld> world;
    FakeZROSUtil os;
    std::vector<std::string> asked;
};

TEST_F(CollectionTest, EndsWithOneInsteadOfEndingTheProcessWhenNoListOrNoXcliPath) {
    EXPECT_EQ(Collect(), 0);
    FakeInventory noList;
    noList.arrayListResult = 3;
    EXPECT_EQ(getArrayInfoBody(&noList, &os), 1);

    // No xcli directory anywhere: the first array ends the call.
    PlatformSettings none;
    Register("xiv-a", "1310134");
    Register("xiv-b", "1310135");
    EXPECT_EQ(Collect(), 1);
    EXPECT_THAT(asked, ElementsAre("xiv-a"));
}

TEST_F(CollectionTest, UpdatesListedRecordsAddsNewOnesAndMarksVanishedOnesWithTheirLuns) {
    world->addArray("xiv-a", "1310134", {"pool_a:68", "pool_new:68"},
                    {"pool_a/vol_kept", "pool_new/vol_n1", "pool_new/vol_n2"});
    world->addArray("xiv-b", "1310135", {"pool_b:17"}, {});
    const std::string a = Register("xiv-a", "1310134");
    Register("xiv-b", "1310135");
    Store("inv_pools", a, "pool_a");
    Store("inv_pools", a, "pool_gone");
    Store("inv_luns", Store("inv_volumes", a, "vol_kept"), "vol_kept");
    const std::string gone = Store("inv_volumes", a, "vol_gone");
    Store("inv_luns", gone, "vol_gone");
    Store("inv_luns", gone, "vol_gone_2");
    world->hostDbRun("UPDATE inv_luns SET shared = 1, host_lun = 9", {});
    // 5 of its 17 GB written: a 16 GiB unit, so 4818 MiB used.
    world->sim().Admin({"vol-write", "--address", "xiv-a", "--vol", "vol_kept", "--used-gb", "5"});
    const uint64_t used = 5 * kVol / 17;
    ASSERT_EQ(Collect(), 0) << world->logText();

    // What vanished is marked 2, with its LUN records; new pools and volumes
    // are added, each volume under its pool with a LUN record of its own.
    EXPECT_EQ(Rows("inv_pools", "status || ' ' || used_mib || ' ' || free_mib"),
              "pool_a:0 16384 49152, pool_b:0 0 16384, pool_gone:2 0 0, pool_new:0 32768 32768");
    EXPECT_EQ(Rows("inv_volumes",
                   "status || ' ' || free_mib || ' ' || ifnull((SELECT name FROM "
                   "inv_pools p WHERE p.id = pool_record_id), '-')"),
              "vol_gone:2 0 -, vol_kept:0 " + std::to_string(kVol - used) + " pool_a, vol_n1:0 " +
                  std::to_string(kVol) + " pool_new, vol_n2:0 " + std::to_string(kVol) +
                  " pool_new");
    EXPECT_EQ(Rows("inv_luns",
                   "status || ' ' || (SELECT name FROM inv_volumes v WHERE v.id = "
                   "volume_record_id)"),
              "vol_gone:2 vol_gone, vol_gone_2:2 vol_gone, vol_kept:1 vol_kept, vol_n1:0 vol_n1, "
              "vol_n2:0 vol_n2");
    const auto bytes = [](uint64_t mib) { return std::to_string(mib << 20); };
    EXPECT_EQ(
        Value("SELECT accessible || ' ' || shared || ' ' || size_bytes || ' ' || used_bytes "
              "|| ' ' || free_bytes || ' ' || host_lun FROM inv_luns WHERE name = 'vol_kept'"),
        "1 0 " + bytes(kVol) + " " + bytes(used) + " " + bytes(kVol - used) + " -1");
    // Each array's totals cover its own pools only.
    EXPECT_EQ(Arrays(), "xiv-a:0 131072 81920, xiv-b:0 16384 16384");
}

// A listing that failed says nothing of what the array holds.
TEST_F(CollectionTest, AFailedListingMarksNothingAndLeavesTheArrayEntryAlone) {
    world->addArray("xiv-a", "1310134", {"pool_a:34"}, {"pool_a/vol_a"});
    const std::string a = Register("xiv-a", "1310134");
    Store("inv_pools", a, "pool_gone");
    Store("inv_luns", Store("inv_volumes", a, "vol_gone"), "vol_gone");
    const std::vector<std::vector<std::string>> faults = {
        {"fail", "--status", "COMMAND_NOT_ALLOWED", "--op", "pool_list"},
        {"fail", "--status", "COMMAND_NOT_ALLOWED", "--op", "vol_list"},
        {"garbage", "--op", "vol_list"},
        {"truncate", "--bytes", "200", "--op", "vol_list"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.front() + " " + fault.back());
        std::vector<std::string> args{"fault", "--address", "xiv-a", "--kind"};
        args.insert(args.end(), fault.begin(), fault.end());
        world->sim().Admin(args);

        EXPECT_EQ(Collect(), 0);
        EXPECT_EQ(Value("SELECT group_concat(status, ' ') FROM (SELECT status FROM inv_pools "
                        "WHERE name LIKE '%gone' UNION ALL SELECT status FROM inv_volumes UNION "
                        "ALL SELECT status FROM inv_luns)"),
                  "1 1 1");
        EXPECT_EQ(Arrays(), "xiv-a:-1 0 0");
        world->sim().Admin({"fault-clear", "--address", "xiv-a"});
    }
}

TEST_F(CollectionTest, BadCredentialsSkipOnlyThatArrayAndEmptyListingsStillSweep) {
    world->addArray("xiv-a", "1310134", {"pool_a:17"}, {});
    world->addArray("xiv-b", "1310135", {"pool_b:17"}, {"pool_b/vol_b"});
    const std::string a = Register("xiv-a", "1310134", "wrong-pw");
    Store("inv_volumes", a, "vol_a");
    Register("xiv-b", "1310135");
    EXPECT_EQ(Collect(), 0);
    EXPECT_EQ(Rows("inv_volumes"), "vol_a:1, vol_b:0");
    EXPECT_EQ(Arrays(), "xiv-a:-1 0 0, xiv-b:0 16384 0");

    // The array object reports a listing without volumes as a failure of its
    // own, but the array did answer: what is stored is gone.
    refhost::ArrayRegistry(world->database()).setPassword(std::stoll(a), HostWorld::kPassword);
    EXPECT_EQ(Collect(), 0);
    EXPECT_EQ(Rows("inv_volumes"), "vol_a:2, vol_b:0");
    EXPECT_EQ(Arrays(), "xiv-a:0 16384 16384, xiv-b:0 16384 0");
}

// A volume of an unlisted pool, space figures that contradict each other or
// pass the signed range, pools listed in GB.
TEST_F(CollectionTest, OddListingsLeaveAnOrphanAloneAndNeverWrapSpace) {
    world->scriptXcli(TestDataPath("xcli/inventory-odd"));
    const std::string a = Register("scripted", "1310134");
    Store("inv_volumes", a, "vol_in");
    Store("inv_volumes", a, "vol_orphan");
    world->hostDbRun("UPDATE inv_volumes SET size_mib = 7, free_mib = 7", {});
    ASSERT_EQ(Collect(), 0) << world->logText();
    EXPECT_EQ(Rows("inv_volumes", "status || ' ' || size_mib || ' ' || free_mib"),
              "vol_in:0 100 0, vol_orphan:1 7 7");
    EXPECT_EQ(Rows("inv_pools", "used_mib"), "p1:0");
    EXPECT_EQ(Value("SELECT free_mib FROM arrays"), "1200");

    world->hostDbRun("DELETE FROM arrays", {});
    world->scriptXcli(TestDataPath("xcli/inventory-wide"));
    const std::string wide = Register("scripted", "1310134");
    ASSERT_EQ(Collect(), 0) << world->logText();
    EXPECT_EQ(Value("SELECT count(*) FROM inv_pools WHERE array_id = " + wide), "4");
    EXPECT_EQ(Value("SELECT total_mib || ' ' || used_mib FROM inv_pools WHERE name = 'p_size'"),
              std::to_string(3 * kVol) + " " + std::to_string(2 * kVol));
    // The largest figure the host can keep, not a wrapped one.
    EXPECT_EQ(Arrays(), "scripted:0 9223372036854775807 9223372036854775807");
}

}  // namespace
