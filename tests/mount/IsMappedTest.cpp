// The mapped check against the simulated array: which duplicates exist,
// which are mapped to this machine, and initiators asked for once.
#include <gtest/gtest.h>

#include <list>

#include "MountWorld.h"
#include "engine/boundary/ZrsoExports.h"

TEST(MountIsMapped, ReportsExistingAndMappedDuplicatesAndAsksForInitiatorsOnce) {
    if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
    MountWorld world;
    const int64_t job = world.SnapshotJob({"vol_a", "vol_b", "vol_c"});
    const auto rows = world.Rows(job);
    XivError error;
    int& code = error.code;
    std::string& text = error.text;
    std::string lun = "7";
    for (size_t i = 1; i < rows.size(); ++i)
        world.Array().CreateSnapShotDuplicate("snap_" + std::to_string(rows[i].id),
                                              world.DuplicateName(rows[i]), error);
    world.Array().MapVolume(world.DuplicateName(rows[2]), MountWorld::kHostObject, lun, error);
    ASSERT_EQ(code, 0) << text;

    std::list<std::string> hosts{"stale"}, esx{"stale"};
    EXPECT_EQ(world.Call([&](ZRSO::SnapInfo** i, short c,
                             ZRSO::ZROSUtil* o) { return zrso_isMapped(i, c, o, hosts, esx); },
                         job),
              0);
    const auto after = world.Rows(job);
    EXPECT_EQ(after[0].status, ZRSO::SNAP_SNAPPED);  // no duplicate: untouched
    EXPECT_EQ(after[1].status, ZRSO::SNAP_DUPLICATE_EXISTS);
    EXPECT_EQ(after[2].status, ZRSO::SNAP_DUPLICATE_MAPPED);
    EXPECT_EQ(std::set<std::string>(hosts.begin(), hosts.end()),
              (std::set<std::string>{MountWorld::kPort1, MountWorld::kPort2}));
    EXPECT_TRUE(esx.empty());
    EXPECT_EQ(world.LastServices().initiatorQueries, 1);
}
