// The frame around the entry points: the result convention, the record
// bounds, and what an exception or a missing object turns into.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

#include "engine/boundary/EntryFrame.h"
#include "support/FakeInventory.h"
#include "support/FakeLUNInfo.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/LogCapture.h"

namespace {

const char* const kFn = "ZRSnapEngineXIV::zrso_snapDevices";

TEST(ResultConvention, AllSomeOrNone) {
    EXPECT_EQ(ResultConvention(3, 3), 0);
    EXPECT_EQ(ResultConvention(1, 3), 2);
    EXPECT_EQ(ResultConvention(0, 3), 1);
    EXPECT_EQ(ResultConvention(0, 0), 1);  // a call without records succeeded nowhere
}

// One level-2 line through the first record there is, no status touched,
// result 1, for any exception type, even one thrown by the host's own log.
// The body sees a count clamped to the records and its result is passed on.
TEST(SnapshotFrame, ExceptionsAndMissingObjectsAreOneLineAndOne) {
    FakeSnapInfo first, second;
    FakeZROSUtil os;
    std::vector<ZRSO::SnapInfo*> infos{&first, &second};
    auto body = [](ZRSO::SnapInfo** i, short, ZRSO::ZROSUtil*) -> int {
        i[1]->setError(1, "half way");
        throw std::bad_alloc();
    };
    EXPECT_EQ(RunSnapshotEntry(kFn, infos.data(), 2, &os, body), 1);
    ASSERT_EQ(first.logs.size(), 1u);
    EXPECT_EQ(first.logs[0].level, 2);
    EXPECT_EQ(first.logs[0].function, kFn);
    EXPECT_EQ(first.logs[0].text, "Unhandled exception. Possibly memory allocation error.");
    EXPECT_TRUE(second.logs.empty());
    EXPECT_TRUE(first.statuses.empty() && second.statuses.empty());
    first.logs.clear();

    first.onCall = [](const char* op) {
        if (std::string(op) == "log") throw 42;
    };
    auto throwing = [](ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*) -> int {
        throw std::runtime_error("x");
    };
    EXPECT_EQ(RunSnapshotEntry(kFn, infos.data(), 2, &os, throwing), 1);
    infos[0] = nullptr;
    EXPECT_EQ(RunSnapshotEntry(kFn, infos.data(), 2, nullptr, throwing), 1);
    EXPECT_EQ(second.countLogs(kNoServiceObjectText, 2), 1);

    const struct {
        ZRSO::SnapInfo** records;
        short count, seen;
    } counts[] = {
        {infos.data(), 0, 0}, {infos.data(), -3, 0}, {nullptr, 2, 0}, {infos.data(), 2, 2}};
    for (const auto& c : counts) {
        short seen = -1;
        EXPECT_EQ(RunSnapshotEntry(kFn, c.records, c.count, &os,
                                   [&](ZRSO::SnapInfo**, short n, ZRSO::ZROSUtil*) {
                                       seen = n;
                                       return c.count + 5;
                                   }),
                  c.count + 5);
        EXPECT_EQ(seen, c.seen) << c.count;
    }
}

TEST(ProvisioningAndInventoryFrames, ExceptionsAndMissingObjectsEndAsOneWithAnErrorLine) {
    LogCapture capture;
    FakeLUNInfo lun;
    FakeZROSUtil os;
    ZRSO::LUNInfo* luns[] = {&lun};
    auto throwing = [](ZRSO::LUNInfo**, short, ZRSO::ZROSUtil*) -> int { throw std::bad_alloc(); };
    EXPECT_EQ(RunProvisioningEntry("zrso_createLUNs", luns, 1, &os, throwing), 1);
    EXPECT_EQ(RunProvisioningEntry("zrso_createLUNs", luns, 1, nullptr, throwing), 1);
    EXPECT_EQ(RunProvisioningEntry("zrso_createLUNs", luns, -1, &os,
                                   [](ZRSO::LUNInfo**, short c, ZRSO::ZROSUtil*) { return c + 7; }),
              7);
    FakeInventory inventory;
    EXPECT_EQ(RunInventoryEntry(
                  "zrso_getArrayInfo", &inventory, &os,
                  [](ZRSO::HostInventory*, ZRSO::ZROSUtil*) -> int { throw std::bad_alloc(); }),
              1);
    EXPECT_EQ(RunInventoryEntry("zrso_getArrayInfo", nullptr, &os,
                                [](ZRSO::HostInventory*, ZRSO::ZROSUtil*) { return 0; }),
              1);
    EXPECT_EQ(capture.count("", -1), 4) << capture.text();
    EXPECT_TRUE(lun.errors.empty());
}

}  // namespace
