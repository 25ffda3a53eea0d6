// Two collections into the reference host's SQLite inventory: what the first
// adds, the second only refreshes.
#include <gtest/gtest.h>

#include "InventoryWorld.h"
#include "engine/inventory/InventoryBody.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostInventoryDb.h"
#include "refhost/SqlStatement.h"
#include "support/FakeZROSUtil.h"

namespace {

// Rows without space figures and without the array's pool id (an insert has
// no place for it; the next update fills it in).
std::string Identities(refhost::HostDatabase& db) {
    std::string out;
    refhost::SqlStatement rows(
        db,
        "SELECT 'pool', id, name, status FROM inv_pools UNION ALL "
        "SELECT 'volume', id, name || '@' || pool_record_id, status FROM inv_volumes UNION ALL "
        "SELECT 'lun', l.id, l.name || '@' || v.name, l.status FROM inv_luns l "
        "JOIN inv_volumes v ON v.id = l.volume_record_id UNION ALL "
        "SELECT 'array', id, name, inv_status FROM arrays");
    while (rows.step())
        out += rows.text(0) + " " + rows.text(1) + " " + rows.text(2) + " " + rows.text(3) + "\n";
    return out;
}

int64_t Number(refhost::HostDatabase& db, const char* sql) {
    refhost::SqlStatement row(db, sql);
    return row.step() ? row.integer(0) : -1;
}

TEST(HostDatabaseRun, SecondRunChangesNothingButTheNumbers) {
    if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
    InventoryWorld world;
    world.Array("xiv-a", "1310133", {"pool_a:68"}, {"pool_a/vol_1", "pool_a/vol_2"});
    TempDir home("inventory-db");
    refhost::HostDatabase db(home.file("host.db"));
    refhost::ArrayRegistry(db).add("lab", "xiv-a", InventoryWorld::kUser, InventoryWorld::kPassword,
                                   "1310133");
    FakeZROSUtil os;
    auto collect = [&] {
        refhost::HostInventoryDb inventory(db);
        return getArrayInfoBody(&inventory, &os);
    };

    ASSERT_EQ(collect(), 0) << world.log().text();
    const std::string first = Identities(db);
    EXPECT_NE(first.find(" vol_2@vol_2 0\n"), std::string::npos) << first;
    EXPECT_NE(first.find(" vol_1@vol_1 0\n"), std::string::npos) << first;
    const int64_t unitMiB = 16384;  // 17 GB
    EXPECT_EQ(Number(db, "SELECT total_mib FROM arrays"), 4 * unitMiB);

    world.Sim({"vol-write", "--address", "xiv-a", "--vol", "vol_1", "--used-gb", "5"});
    ASSERT_EQ(collect(), 0) << world.log().text();
    EXPECT_EQ(Identities(db), first);
    const int64_t usedMiB = 5 * unitMiB / 17;
    EXPECT_EQ(Number(db, "SELECT free_mib FROM inv_volumes WHERE name = 'vol_1'"),
              unitMiB - usedMiB);
    EXPECT_EQ(Number(db, "SELECT used_bytes FROM inv_luns WHERE name = 'vol_1'"), usedMiB << 20);
}

}  // namespace
