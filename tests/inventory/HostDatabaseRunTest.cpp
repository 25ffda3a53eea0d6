// Two collections into the reference host's SQLite inventory: what the first
// adds, the second only refreshes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "InventoryWorld.h"
#include "engine/EntryBodies.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostInventoryDb.h"
#include "refhost/SqlStatement.h"

namespace {

// Every row of the inventory tables without their space figures and the
// array's pool id (an insert has no place for it; the next run's update
// fills it in), so that two dumps differ only when a record was added,
// relinked or re-marked.
std::string Identities(refhost::HostDatabase& db) {
    std::string out;
    const char* queries[] = {
        "SELECT 'pool', id, array_id, name, '', status FROM inv_pools ORDER BY id",
        "SELECT 'volume', id, array_id, name, pool_record_id, status FROM inv_volumes ORDER BY id",
        "SELECT 'lun', l.id, l.volume_record_id, l.name, v.name, l.status FROM inv_luns l "
        "JOIN inv_volumes v ON v.id = l.volume_record_id ORDER BY l.id",
        "SELECT 'array', id, inv_flag, name, control_host, inv_status FROM arrays ORDER BY id",
    };
    for (const char* sql : queries) {
        refhost::SqlStatement rows(db, sql);
        while (rows.step()) {
            for (int c = 0; c < 6; ++c) out += rows.text(c) + (c < 5 ? "|" : "\n");
        }
    }
    return out;
}

int64_t Number(refhost::HostDatabase& db, const std::string& sql) {
    refhost::SqlStatement row(db, sql.c_str());
    return row.step() ? row.integer(0) : -1;
}

TEST(HostDatabaseRun, SecondRunWithNothingChangedOnlyRefreshesTheNumbers) {
    if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
    InventoryWorld world;
    world.Array("xiv-a", "1310133");
    world.Pool("xiv-a", "pool_a", 68);
    world.Volume("xiv-a", "pool_a", "vol_1");
    world.Volume("xiv-a", "pool_a", "vol_2");
    TempDir home("inventory-db");
    refhost::HostDatabase db(home.file("host.db"));
    refhost::ArrayRegistry(db).add("lab", "xiv-a", InventoryWorld::kUser,
                                   InventoryWorld::kPassword, "1310133");
    FakeZROSUtil os;
    auto collect = [&] {
        refhost::HostInventoryDb inventory(db);
        return getArrayInfoBody(&inventory, &os);
    };

    ASSERT_EQ(collect(), 0) << world.log().text();
    const std::string first = Identities(db);
    // Both volumes with one LUN record each, linked by name.
    EXPECT_NE(first.find("|vol_1|vol_1|0\n"), std::string::npos) << first;
    EXPECT_NE(first.find("|vol_2|vol_2|0\n"), std::string::npos) << first;
    EXPECT_EQ(Number(db, "SELECT COUNT(*) FROM inv_luns"), 2);
    EXPECT_EQ(Number(db, "SELECT total_mib FROM arrays"), 68 * 1024);

    world.Sim({"vol-write", "--address", "xiv-a", "--vol", "vol_1", "--used-gb", "5"});
    ASSERT_EQ(collect(), 0) << world.log().text();
    EXPECT_EQ(Identities(db), first);
    EXPECT_EQ(Number(db, "SELECT COUNT(*) FROM inv_pools WHERE pool_id = ''"), 0);
    EXPECT_EQ(Number(db, "SELECT used_mib FROM inv_volumes WHERE name = 'vol_1'"), 5 * 1024);
    EXPECT_EQ(Number(db, "SELECT free_mib FROM inv_volumes WHERE name = 'vol_1'"), 12 * 1024);
    EXPECT_EQ(Number(db, "SELECT used_bytes FROM inv_luns WHERE name = 'vol_1'"),
              int64_t(5) << 30);
}

}  // namespace
