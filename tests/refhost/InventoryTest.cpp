// The inventory as zrso_getArrayInfo drives it: find, add, update, sweep,
// and new volumes and LUN records linked by temporary ids.
#include <gtest/gtest.h>

#include <cstring>

#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostInventoryDb.h"
#include "refhost/RefhostTestSupport.h"
#include "refhost/SqlStatement.h"

using namespace refhost;
using refhost_test::TestDir;

namespace {

class InventoryTest : public ::testing::Test {
protected:
    InventoryTest() : env_(dir_), db_(dir_ / "host.db") {
        ArrayRegistry registry(db_);
        a1_ = static_cast<int>(registry.add("xiv1", "10.1.1.1", "admin", "pw1", "1310133"));
        a2_ = static_cast<int>(registry.add("xiv2", "10.1.1.2", "admin", "pw2", "1310134"));
    }

    int64_t scalar(const std::string& sql) {
        SqlStatement st(db_, sql.c_str());
        return st.step() ? st.integer(0) : -999;
    }

    TestDir dir_;
    refhost_test::RuntimeEnv env_;
    HostDatabase db_;
    int a1_ = 0, a2_ = 0;
};

}  // namespace

TEST_F(InventoryTest, ArraysAndCredentialsComeFromTheRegistry) {
    HostInventoryDb inv(db_);
    ZRSO::ArrayEntry** entries = nullptr;
    int count = 0;
    ASSERT_EQ(inv.getArrayList(&entries, &count), 0);
    ASSERT_EQ(count, 2);
    char name[512];
    int arrayId = 0;
    ASSERT_EQ(entries[1]->getArrayName(name, sizeof name, &arrayId), 0);
    EXPECT_STREQ(name, "xiv2");
    EXPECT_EQ(entries[1]->getClientId(), a2_);
    EXPECT_NE(entries[1]->getArrayName(name, 3, &arrayId), 0);  // does not fit

    char t1[512], t2[512], t3[512], user[256], password[256], host[512];
    ASSERT_EQ(inv.getArrayCredentials("xiv1", t1, 512, t2, 512, t3, 512, user, 256, password, 256,
                                      host, 512),
              0);
    EXPECT_STREQ(user, "admin");
    EXPECT_STREQ(host, "10.1.1.1");
    EXPECT_STRNE(password, "pw1");  // enciphered
    EXPECT_NE(inv.getArrayCredentials("nope", t1, 512, t2, 512, t3, 512, user, 256, password, 256,
                                      host, 512),
              0);

    entries[0]->setFlag(1);
    entries[0]->setStatus(0);
    entries[0]->setTotalSpace(2000);
    entries[0]->setFreeSpace(500);
    auto a = ArrayRegistry(db_).byName("xiv1");
    EXPECT_EQ(a->invStatus, 0);
    EXPECT_EQ(a->totalMib, 2000);
    EXPECT_EQ(a->freeMib, 500);
}

TEST_F(InventoryTest, NewVolumesAndLunsAreLinkedByTemporaryIdsPerArrayPass) {
    HostInventoryDb inv(db_);
    int pool1 = 0, pool2 = 0;
    ASSERT_EQ(inv.addPool(a1_, a1_, "p1", 1000, 300, "", 0, "", &pool1, 0), 0);
    ASSERT_EQ(inv.addPool(a2_, a2_, "p1", 500, 0, "", 0, "", &pool2, 0), 0);
    EXPECT_NE(pool1, pool2);  // same name on another array is another pool

    ASSERT_EQ(inv.addVolume(-1, a1_, "v1", "v1", 17, 2, "", 0, pool1, ""), 0);
    ASSERT_EQ(inv.addLun(-1, -1, "v1", "v1", 17ULL << 20, 2ULL << 20, "", 0, ""), 0);
    ASSERT_EQ(inv.addVolume(-2, a1_, "v2", "v2", 34, 0, "", 0, pool1, ""), 0);
    ASSERT_EQ(inv.addLun(-2, -2, "v2", "v2", 34ULL << 20, 0, "", 0, ""), 0);
    int64_t v1 = inv.realVolumeId(-1), v2 = inv.realVolumeId(-2);
    // Next array: the temporary ids start again at -1.
    ASSERT_EQ(inv.addVolume(-1, a2_, "w1", "w1", 17, 0, "", 0, pool2, ""), 0);
    ASSERT_EQ(inv.addLun(-1, -1, "w1", "w1", 17ULL << 20, 0, "", 0, ""), 0);
    int64_t w1 = inv.realVolumeId(-1);
    EXPECT_NE(w1, v1);

    EXPECT_EQ(scalar("SELECT volume_record_id FROM inv_luns WHERE name = 'v1'"), v1);
    EXPECT_EQ(scalar("SELECT volume_record_id FROM inv_luns WHERE name = 'v2'"), v2);
    EXPECT_EQ(scalar("SELECT volume_record_id FROM inv_luns WHERE name = 'w1'"), w1);
    EXPECT_EQ(scalar("SELECT free_mib FROM inv_volumes WHERE name = 'v1'"), 15);
    EXPECT_EQ(scalar("SELECT free_bytes FROM inv_luns WHERE name = 'v1'"), 15LL << 20);

    // A volume that cannot be added (already stored) must not leave its
    // temporary id pointing at an earlier volume of the pass.
    ASSERT_NE(inv.addVolume(-2, a2_, "w1", "w1", 17, 0, "", 0, pool2, ""), 0);
    EXPECT_NE(inv.addLun(-2, -2, "w1", "w1", 0, 0, "", 0, ""), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM inv_luns"), 3);
}

TEST_F(InventoryTest, FindUpdateAndSweepMarkVanishedRecordsDeleted) {
    {
        HostInventoryDb inv(db_);
        int pool = 0;
        inv.addPool(a1_, a1_, "p1", 1000, 0, "", 0, "", &pool, 0);
        inv.addPool(a1_, a1_, "gone_pool", 100, 0, "", 0, "", nullptr, 0);
        inv.addVolume(-1, a1_, "v1", "v1", 17, 0, "", 0, pool, "");
        inv.addLun(-1, -1, "v1", "v1", 17ULL << 20, 0, "", 0, "");
        inv.addVolume(-2, a1_, "gone_vol", "gone_vol", 17, 0, "", 0, pool, "");
        inv.addLun(-2, -2, "gone_vol", "gone_vol", 17ULL << 20, 0, "", 0, "");
    }
    HostInventoryDb inv(db_);
    int clientId = a1_;
    ZRSO::PoolRecord* pool = nullptr;
    int poolId = 0;
    ASSERT_EQ(inv.findPool(&pool, &poolId, "p1", &clientId), 0);
    pool->setTotalSpace(2000);
    pool->setUsedSpace(1500);
    pool->setFreeSpace(500);
    pool->setPoolId("4711");
    EXPECT_NE(inv.findPool(&pool, &poolId, "p1", &a2_), 0);  // other array

    ZRSO::VolumeRecord* vol = nullptr;
    int volId = 0;
    ASSERT_EQ(inv.findVolume(&vol, &volId, "v1", "v1", a1_), 0);
    vol->setSize(34);
    vol->setText("spare");
    ZRSO::LunRecord* lun = nullptr;
    ASSERT_EQ(inv.findLun(&lun, "v1", "v1", volId), 0);
    lun->setAccessible(1);
    lun->setShared(0);
    lun->setHostLun(-1);
    lun->setSize(34ULL << 20);
    EXPECT_NE(inv.findLun(&lun, "v1", "v1", volId + 1000), 0);

    // Sweep as the plug-in does: everything stored but not listed gets 2.
    ZRSO::PoolRecord** pools = nullptr;
    int poolCount = 0;
    ASSERT_EQ(inv.getPoolList(&pools, &poolCount, a1_), 0);
    ASSERT_EQ(poolCount, 2);
    for (int i = 0; i < poolCount; ++i) {
        char name[256];
        int id = 0;
        ASSERT_EQ(pools[i]->getName(name, sizeof name, &id), 0);
        if (std::strcmp(name, "gone_pool") == 0) pools[i]->setStatus(2);
    }
    ZRSO::VolumeRecord** volumes = nullptr;
    int volumeCount = 0;
    ASSERT_EQ(inv.getVolumeList(&volumes, &volumeCount, a1_), 0);
    ASSERT_EQ(volumeCount, 2);
    for (int i = 0; i < volumeCount; ++i) {
        char name[256], text[512];
        int id = 0;
        ASSERT_EQ(volumes[i]->getName(name, sizeof name, text, sizeof text, &id), 0);
        if (std::strcmp(name, "gone_vol") != 0) continue;
        volumes[i]->setStatus(2);
        ZRSO::LunRecord** luns = nullptr;
        int lunCount = 0;
        ASSERT_EQ(inv.getLunList(&luns, &lunCount, id), 0);
        ASSERT_EQ(lunCount, 1);
        luns[0]->setStatus(2);
    }
    ZRSO::PoolRecord** none = nullptr;
    int noneCount = -1;
    ASSERT_EQ(inv.getPoolList(&none, &noneCount, 999), 0);
    EXPECT_EQ(noneCount, 0);

    EXPECT_EQ(scalar("SELECT status FROM inv_pools WHERE name = 'gone_pool'"), 2);
    EXPECT_EQ(scalar("SELECT status FROM inv_pools WHERE name = 'p1'"), 0);
    EXPECT_EQ(scalar("SELECT used_mib FROM inv_pools WHERE name = 'p1'"), 1500);
    EXPECT_EQ(scalar("SELECT status FROM inv_volumes WHERE name = 'gone_vol'"), 2);
    EXPECT_EQ(scalar("SELECT status FROM inv_luns WHERE name = 'gone_vol'"), 2);
    EXPECT_EQ(scalar("SELECT size_mib FROM inv_volumes WHERE name = 'v1'"), 34);
    EXPECT_EQ(
        scalar("SELECT accessible * 100 + shared * 10 + host_lun FROM inv_luns WHERE name = 'v1'"),
        99);
}
