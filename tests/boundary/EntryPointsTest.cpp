#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "engine/boundary/ZrsoExports.h"
#include "support/FakeInventory.h"
#include "support/FakeLUNInfo.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/LogCapture.h"
#include "support/SimDisks.h"

namespace {

TEST(Versions, BothAreOneZeroZeroAndNullPointersAreSkipped) {
    short a = 9, b = 9, c = 9;
    zrso_version(&a, &b, &c);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    a = b = c = 9;
    zrso_sProvVersion(&a, &b, &c);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    zrso_version(nullptr, &b, nullptr);
    zrso_sProvVersion(nullptr, nullptr, nullptr);
}

TEST(Unprepare, AlwaysZeroWithExactlyOneLineAndRecordsUntouched) {
    LogCapture capture;
    FakeSnapInfo info;
    ZRSO::SnapInfo* infos[] = {&info};
    EXPECT_EQ(zrso_unprepareDevices(infos, 1, nullptr), 0);
    ASSERT_EQ(capture.lines().size(), 1u) << capture.text();
    EXPECT_EQ(capture.lines()[0].function, "ZRSnapEngineXIV::zrso_unprepareDevices");
    EXPECT_EQ(capture.lines()[0].message, "Nothing to be done here.");
    EXPECT_EQ(zrso_unprepareDevices(nullptr, 0, nullptr), 0);
    EXPECT_EQ(zrso_unprepareDevices(nullptr, -4, nullptr), 0);
    EXPECT_TRUE(info.logs.empty() && info.statuses.empty() && info.errors.empty());
}

using SnapEntry = int (*)(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*);
using LunEntry = int (*)(ZRSO::LUNInfo**, short, ZRSO::ZROSUtil*);

int IsMappedOverload(ZRSO::SnapInfo** i, short c, ZRSO::ZROSUtil* o) {
    std::list<std::string> hosts, esx;
    return zrso_isMapped(i, c, o, hosts, esx);
}

// Whatever the host passes, the entry points answer and never crash: no
// records, a negative count, a hole in the array, no service object.
TEST(EntryPoints, HostileArgumentsEndAsNoRecordSucceeded) {
    LogCapture capture;
    const SnapEntry snaps[] = {zrso_prepareDevices, zrso_snapDevices, zrso_mapSnaps,
                               zrso_unmapSnaps,     zrso_deleteSnaps, zrso_revertSnaps};
    FakeSnapInfo info;
    FakeZROSUtil os;
    ZRSO::SnapInfo* withHole[] = {nullptr, &info};
    for (SnapEntry entry : snaps) {
        EXPECT_EQ(entry(nullptr, 0, &os), 1);
        EXPECT_EQ(entry(withHole, -1, &os), 1);
        EXPECT_EQ(entry(nullptr, 3, &os), 1);
        EXPECT_EQ(entry(withHole, 2, nullptr), 1);
    }
    // Reconcile and the mapped check answer 0 when there is nothing to look
    // at, and 1 only when the call itself could not run.
    for (SnapEntry entry : {zrso_reconcileSnaps, zrso_isMapped, IsMappedOverload}) {
        EXPECT_EQ(entry(nullptr, 0, &os), 0);
        EXPECT_EQ(entry(withHole, -1, &os), 0);
        EXPECT_EQ(entry(nullptr, 3, &os), 0);
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

TEST(IsSupported, InvertedAnswerOnSimulatedDisksWhateverTheIgnoredArguments) {
    LogCapture capture;
    SimDisks disks;
    std::string xiv = disks.add("xivd1", SimDisks::Xiv());
    SimDisk other;
    other.vendor = "SEAGATE";
    other.product = "ST2000";
    std::string seagate = disks.add("sdz", other);
    FakeZROSUtil os;
    int token = 5;
    for (int second : {0, 1, -1}) {
        for (void* fourth : {static_cast<void*>(nullptr), static_cast<void*>(&token)}) {
            for (short fifth : {0, 1, -2}) {
                EXPECT_EQ(zrso_isSupported(xiv.c_str(), second, &os, fourth, fifth), 0);
                EXPECT_EQ(zrso_isSupported(seagate.c_str(), second, nullptr, fourth, fifth), 1);
            }
        }
    }
    EXPECT_EQ(zrso_isSupported("/dev/zrso-no-such-disk", 0, &os, nullptr, 0), 1);
    EXPECT_EQ(zrso_isSupported("/dev/null", 0, &os, nullptr, 0), 1);
    EXPECT_EQ(zrso_isSupported(nullptr, 0, &os, nullptr, 0), 1);
    EXPECT_EQ(zrso_isSupported("{idatype:vmware,vendor:IBM,lunid:60017380000000000000000000000001}",
                               0, &os, nullptr, 0),
              1);  // IBM but no XIV marker
    EXPECT_EQ(zrso_isSupported("{idatype:vmware,vendor:IBM,lunid:0200000000001738584956}", 0, &os,
                               nullptr, 0),
              0);
}

}  // namespace
