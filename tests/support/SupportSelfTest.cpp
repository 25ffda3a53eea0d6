// The doubles other areas build on must behave like the host they stand for.
#include <gtest/gtest.h>

#include <cstring>

#include "ZrsoTestSupport.h"

namespace {

TEST(TextScriptDouble, FaithfulHostThenScriptedSteps) {
    TextScript s("hello");
    char buf[16];
    short size = 4;
    EXPECT_EQ(s.serveRecord(buf, &size), 2);
    EXPECT_EQ(size, 6);
    EXPECT_EQ(s.serveRecord(buf, &size), 0);
    EXPECT_STREQ(buf, "hello");

    s.script({TextStep::TooSmall(9), TextStep::Fail(-4), TextStep::Deliver()});
    size = 16;
    EXPECT_EQ(s.serveRecord(buf, &size), 2);
    EXPECT_EQ(size, 9);
    EXPECT_EQ(s.serveService(buf, 16), -4);
    EXPECT_EQ(s.serveService(buf, 3), 0);  // explicit delivery is cut, never overflows
    EXPECT_STREQ(buf, "he");
    EXPECT_EQ(s.serveService(buf, 3), 6);  // faithful again: the need
    EXPECT_EQ(s.sizesOffered(), (std::vector<int>{4, 6, 16, 16, 3, 3}));
}

TEST(FakeSnapInfoDouble, WritesAreReadBackAndLoginsFollowTheSelection) {
    FakeSnapInfo info;
    char buf[64];
    short size = sizeof buf;
    info.loginsByArray["1310133"] = "{arrayId:1310133}";
    EXPECT_EQ(info.selectArrayLogin("999"), 1);
    EXPECT_EQ(info.selectArrayLogin("1310133"), 0);
    size = sizeof buf;
    EXPECT_EQ(info.getArrayLogin(buf, &size), 0);
    EXPECT_STREQ(buf, "{arrayId:1310133}");

    info.log(2, "fn", "value %d of %s", 7, "x");
    ASSERT_EQ(info.logs.size(), 1u);
    EXPECT_EQ(info.countLogs("value 7", 2), 1);
    EXPECT_EQ(info.countLogs("value 7", 0), 0);
}

TEST(FakeZROSUtilDouble, InitiatorListAnswersTheSizingCallThenTheNames) {
    FakeZROSUtil os;
    os.initiators = {{"10:00:00:00:c9:00:00:01", false}, {"iqn.2026-01.host", true}};
    short nameLen = 0, typeLen = 0, count = 0;
    ASSERT_TRUE(os.detectHBAlist("me", "array", nullptr, &nameLen, nullptr, &typeLen, &count));
    std::vector<char> names(nameLen), types(typeLen);
    ASSERT_TRUE(
        os.detectHBAlist("me", "array", names.data(), &nameLen, types.data(), &typeLen, &count));
    EXPECT_STREQ(names.data(), "10:00:00:00:c9:00:00:01,iqn.2026-01.host");
    EXPECT_EQ(types[0], 0);
    EXPECT_EQ(types[1], 1);

    os.hostDevices = {"/dev/sda", "/dev/sdb"};
    std::vector<char> small(4);
    EXPECT_EQ(os.listHostDevices("me", "IBM", '|', 4, small.data()), 18);
    std::vector<char> big(18);
    EXPECT_EQ(os.listHostDevices("me", "IBM", '|', 18, big.data()), 0);
    EXPECT_STREQ(big.data(), "/dev/sda|/dev/sdb");
}

TEST(FakeInventoryDouble, AddedPoolsAreFoundAndListsStayValid) {
    FakeInventory inv;
    inv.addArray("xiv1", 3, 30).user = "admin";
    int newId = 0;
    ASSERT_EQ(inv.addPool(30, 3, "p1", 100, 10, "", 0, "", &newId, 0), 0);
    ZRSO::PoolRecord* pool = nullptr;
    int found = 0, client = 3;
    ASSERT_EQ(inv.findPool(&pool, &found, "p1", &client), 0);
    EXPECT_EQ(found, newId);
    ZRSO::ArrayEntry** arrays = nullptr;
    int count = 0;
    ASSERT_EQ(inv.getArrayList(&arrays, &count), 0);
    ZRSO::PoolRecord** pools = nullptr;
    inv.getPoolList(&pools, &count, 3);  // a later call must not invalidate the first list
    ASSERT_EQ(arrays[0]->getClientId(), 3);
    EXPECT_EQ(pools[0], pool);
}

TEST(LogCaptureDouble, ParsesFieldsAndKeepsTabsInTheMessage) {
    DebugLine l;
    ASSERT_TRUE(LogCapture::ParseLine("2026-01-01T00:00:00.000Z\t12\t-123456\t-1\tfn\ta\tb", &l));
    EXPECT_EQ(l.job, -123456);
    EXPECT_EQ(l.level, -1);
    EXPECT_EQ(l.message, "a\tb");
    EXPECT_FALSE(LogCapture::ParseLine("not a log line", &l));
}

}  // namespace
