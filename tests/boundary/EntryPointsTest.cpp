#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "engine/boundary/ZrsoExports.h"
#include "support/FakeInventory.h"
#include "support/FakeLUNInfo.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"

namespace {

TEST(EntryPoints, VersionsAndUnprepare) {
    short v[6] = {9, 9, 9, 9, 9, 9};
    zrso_version(&v[0], &v[1], &v[2]);
    zrso_sProvVersion(&v[3], &v[4], &v[5]);
    EXPECT_EQ(std::vector<short>(v, v + 6), (std::vector<short>{1, 0, 0, 1, 0, 0}));
    zrso_version(nullptr, &v[1], nullptr);  // null pointers are skipped
    zrso_sProvVersion(nullptr, nullptr, nullptr);
    EXPECT_EQ(iEndPointId, 0);
    FakeSnapInfo info;
    ZRSO::SnapInfo* infos[] = {&info};
    EXPECT_EQ(zrso_unprepareDevices(infos, 1, nullptr), 0);
    EXPECT_TRUE(info.logs.empty() && info.statuses.empty());
}

using SnapEntry = int (*)(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*);
using LunEntry = int (*)(ZRSO::LUNInfo**, short, ZRSO::ZROSUtil*);

int IsMappedOverload(ZRSO::SnapInfo** i, short c, ZRSO::ZROSUtil* o) {
    std::list<std::string> hosts, esx;
    return zrso_isMapped(i, c, o, hosts, esx);
}

// Whatever the host passes, the entry points answer and never crash: no
// records, a negative count, a hole in the array, no service object.
// Reconcile and the mapped check answer 0 when there is nothing to look at,
// the others 1; all answer 1 when the call itself could not run.
TEST(EntryPoints, HostileArgumentsEndAsNoRecordSucceeded) {
    const std::pair<SnapEntry, int> snaps[] = {
        {zrso_prepareDevices, 1}, {zrso_snapDevices, 1}, {zrso_mapSnaps, 1},
        {zrso_unmapSnaps, 1},     {zrso_deleteSnaps, 1}, {zrso_revertSnaps, 1},
        {zrso_reconcileSnaps, 0}, {zrso_isMapped, 0},    {IsMappedOverload, 0}};
    FakeSnapInfo info;
    FakeZROSUtil os;
    ZRSO::SnapInfo* withHole[] = {nullptr, &info};
    for (const auto& [entry, empty] : snaps) {
        EXPECT_EQ(entry(nullptr, 0, &os), empty);
        EXPECT_EQ(entry(withHole, -1, &os), empty);
        EXPECT_EQ(entry(nullptr, 3, &os), empty);
        EXPECT_EQ(entry(withHole, 2, nullptr), 1);
    }
    EXPECT_TRUE(info.statuses.empty());

    const LunEntry luns[] = {zrso_createLUNs, zrso_deleteLUNs, zrso_resizeLUNs,
                             zrso_mapLUNs,    zrso_unmapLUNs,  zrso_resolveLunsToUsers};
    FakeLUNInfo lun;
    ZRSO::LUNInfo* lunHole[] = {nullptr, &lun};
    for (LunEntry entry : luns) {
        EXPECT_EQ(entry(nullptr, 0, &os), 1);
        EXPECT_EQ(entry(lunHole, -7, &os), 1);
        EXPECT_EQ(entry(lunHole, 2, nullptr), 1);
    }
    FakeInventory inventory;
    EXPECT_EQ(zrso_getArrayInfo(nullptr, &os), 1);
    EXPECT_EQ(zrso_getArrayInfo(&inventory, nullptr), 1);
}

}  // namespace
