// Two collections by the reference host into its SQLite inventory: what the
// first adds, the second only refreshes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/HostWorld.h"

namespace {

// Rows without space figures and without the array's pool id (an insert has
// no place for it; the next update fills it in).
const char* const kIdentities =
    "SELECT group_concat(row, ';') FROM ("
    "SELECT 'pool ' || id || ' ' || name || ' ' || status AS row FROM inv_pools UNION ALL "
    "SELECT 'volume ' || id || ' ' || name || '@' || pool_record_id || ' ' || status "
    "FROM inv_volumes UNION ALL "
    "SELECT 'lun ' || l.id || ' ' || l.name || '@' || v.name || ' ' || l.status FROM inv_luns l "
    "JOIN inv_volumes v ON v.id = l.volume_record_id UNION ALL "
    "SELECT 'array ' || id || ' ' || name || ' ' || inv_status FROM arrays)";

TEST(HostDatabaseRun, SecondRunChangesNothingButTheNumbers) {
    REQUIRE_HOST_WORLD();
    HostWorld world(HostWorldOptions{true, false, "", "", 0, 2});  // v1, v2 of 17 GB
    ASSERT_EQ(world.inventory().result, 0) << world.logText();
    const std::string rows = world.hostDbValue(kIdentities);
    EXPECT_THAT(rows, testing::HasSubstr(" v1@v1 0;")) << rows;
    EXPECT_THAT(rows, testing::HasSubstr(" v2@v2 0;")) << rows;
    EXPECT_THAT(rows, testing::HasSubstr("array 1 xiv1 0")) << rows;
    EXPECT_EQ(world.hostDbValue("SELECT total_mib FROM arrays"),
              world.hostDbValue("SELECT total_mib FROM inv_pools"));
    EXPECT_NE(world.hostDbValue("SELECT total_mib FROM arrays"), "0");

    world.admin({"vol-write", "--vol", "v1", "--used-gb", "5"});
    ASSERT_EQ(world.inventory().result, 0);
    EXPECT_EQ(world.hostDbValue(kIdentities), rows);
    const int64_t unitMiB = 16384, usedMiB = 5 * unitMiB / 17;  // 17 GB is 16 GiB
    EXPECT_EQ(world.hostDbValue("SELECT free_mib FROM inv_volumes WHERE name = 'v1'"),
              std::to_string(unitMiB - usedMiB));
    EXPECT_EQ(world.hostDbValue("SELECT used_bytes FROM inv_luns WHERE name = 'v1'"),
              std::to_string(usedMiB << 20));
}

}  // namespace
