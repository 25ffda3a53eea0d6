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

TEST(RecordAccess, OutOfRangeAndHolesAreNull) {
    FakeSnapInfo a, b;
    ZRSO::SnapInfo* infos[] = {nullptr, &a, &b};
    EXPECT_EQ(RecordAt(infos, 3, 2), &b);
    for (int i : {0, 3, -1}) EXPECT_EQ(RecordAt(infos, 3, i), nullptr) << i;
    EXPECT_EQ(RecordAt(nullptr, 3, 0), nullptr);
    EXPECT_EQ(FirstRecord(infos, 3), &a);
    EXPECT_EQ(FirstRecord(infos, 1), nullptr);
    FakeLUNInfo l;
    ZRSO::LUNInfo* luns[] = {&l};
    EXPECT_EQ(LunAt(luns, 1, 0), &l);
    EXPECT_EQ(LunAt(luns, 1, 1), nullptr);
    EXPECT_EQ(ClampCount(infos, -5), 0);
    EXPECT_EQ(ClampCount(nullptr, 5), 0);
    EXPECT_EQ(ClampCount(infos, 3), 3);
}

struct SnapshotFrame : ::testing::Test {
    FakeSnapInfo first, second;
    FakeZROSUtil os;
    std::vector<ZRSO::SnapInfo*> infos{&first, &second};
};

// One level-2 line through the first record, no status touched, result 1;
// any exception type, even one thrown by the host's own log; a hole in the
// array moves the line to the next record.
TEST_F(SnapshotFrame, AnExceptionIsOneLineThroughTheFirstRecordAndOne) {
    int result = RunSnapshotEntry(kFn, infos.data(), 2, &os,
                                  [](ZRSO::SnapInfo** i, short, ZRSO::ZROSUtil*) -> int {
                                      i[1]->setError(1, "half way");
                                      throw std::bad_alloc();
                                  });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(first.logs.size(), 1u);
    EXPECT_EQ(first.logs[0].level, 2);
    EXPECT_EQ(first.logs[0].function, kFn);
    EXPECT_EQ(first.logs[0].text, "Unhandled exception. Possibly memory allocation error.");
    EXPECT_TRUE(second.logs.empty());
    EXPECT_TRUE(first.statuses.empty() && second.statuses.empty());

    auto throwing = [](ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*) -> int {
        throw std::runtime_error("x");
    };
    first.onCall = [](const char* op) {
        if (std::string(op) == "log") throw 42;
    };
    EXPECT_EQ(RunSnapshotEntry(kFn, infos.data(), 2, &os, throwing), 1);
    infos[0] = nullptr;
    EXPECT_EQ(RunSnapshotEntry(kFn, infos.data(), 2, &os, throwing), 1);
    EXPECT_EQ(second.countLogs("Unhandled exception", 2), 1);
}

TEST_F(SnapshotFrame, TheBodySeesAClampedCountAndItsResultIsPassedOn) {
    short seen = -1;
    auto body = [&](ZRSO::SnapInfo** i, short c, ZRSO::ZROSUtil*) -> int {
        seen = c;
        EXPECT_EQ(i, nullptr);
        throw std::bad_alloc();
    };
    for (auto [records, count] :
         {std::pair<ZRSO::SnapInfo**, short>{infos.data(), 0}, {infos.data(), -3}, {nullptr, 2}}) {
        seen = -1;
        EXPECT_EQ(RunSnapshotEntry(kFn, records, count, &os, body), 1);
        EXPECT_EQ(seen, 0) << count;
    }
    EXPECT_TRUE(first.logs.empty());  // no record to log through
    for (int r : {0, 2, 1}) {
        EXPECT_EQ(RunSnapshotEntry(kFn, infos.data(), 2, &os,
                                   [r](ZRSO::SnapInfo**, short c, ZRSO::ZROSUtil*) {
                                       EXPECT_EQ(c, 2);
                                       return r;
                                   }),
                  r);
    }
    EXPECT_TRUE(first.logs.empty());
    bool ran = false;
    EXPECT_EQ(RunSnapshotEntry(kFn, infos.data(), 2, nullptr,
                               [&](ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*) {
                                   ran = true;
                                   return 0;
                               }),
              1);
    EXPECT_FALSE(ran);
    EXPECT_EQ(first.countLogs(kNoServiceObjectText, 2), 1);
}

TEST(ProvisioningAndInventoryFrames, ExceptionsAndMissingObjectsEndAsOneWithAnErrorLine) {
    LogCapture capture;
    FakeLUNInfo lun;
    FakeZROSUtil os;
    ZRSO::LUNInfo* luns[] = {&lun};
    auto throwing = [](ZRSO::LUNInfo**, short, ZRSO::ZROSUtil*) -> int { throw std::bad_alloc(); };
    EXPECT_EQ(RunProvisioningEntry("zrso_createLUNs", luns, 1, &os, throwing), 1);
    EXPECT_EQ(RunProvisioningEntry("zrso_createLUNs", luns, 1, nullptr,
                                   [](ZRSO::LUNInfo**, short, ZRSO::ZROSUtil*) { return 0; }),
              1);
    EXPECT_EQ(RunProvisioningEntry("zrso_createLUNs", luns, 1, &os,
                                   [](ZRSO::LUNInfo**, short c, ZRSO::ZROSUtil*) { return c; }),
              1);
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
