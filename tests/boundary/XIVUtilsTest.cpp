#include <gtest/gtest.h>

#include <string>

#include "engine/common/XIVUtils.h"
#include "support/FakeZROSUtil.h"

namespace {

struct ControlHostId : ::testing::Test {
    FakeZROSUtil os;
    XIVUtils utils;
    int id = -1;
    int Get(const char* host) { return utils.getControlHostId(&os, DebugLog(nullptr), host, id); }
};

TEST_F(ControlHostId, DecimalPrefixOfTheHostidAttributeHoweverLong) {
    os.arrayInfos["a1"] = "{hostName:a1,hostid:17,x:y}";
    EXPECT_EQ(Get("a1"), 0);
    EXPECT_EQ(id, 17);
    os.arrayInfos["a1"] = "{hostName:a1,hostid:abc}";
    EXPECT_EQ(Get("a1"), 0);
    EXPECT_EQ(id, 0);
    os.arrayInfos["a1"] = "{hostid:99999999999999}";  // saturates, no overflow
    EXPECT_EQ(Get("a1"), 0);
    EXPECT_EQ(id, 2147483647);
    os.arrayInfos["a2"] = "{pad:" + std::string(6000, 'p') + ",hostid:5}";
    EXPECT_EQ(Get("a2"), 0);
    EXPECT_EQ(id, 5);
    EXPECT_EQ(os.arrayInfos["a2"].sizesOffered(), (std::vector<int>{4096, 6000 + 16}));
}

TEST_F(ControlHostId, FailuresAnswerOne) {
    EXPECT_EQ(utils.getControlHostId(nullptr, DebugLog(nullptr), "a1", id), 1);

    EXPECT_EQ(Get("unknown"), 1);  // the fake answers -1

    os.arrayInfos["a1"] = "{hostName:a1}";
    EXPECT_EQ(Get("a1"), 1);

    os.arrayInfos["a1"].reset();
    os.arrayInfos["a1"].tooSmallForever(30000);  // would otherwise ask forever
    EXPECT_EQ(Get("a1"), 1);
    EXPECT_LE(os.arrayInfos["a1"].calls(), 8);

    std::string out = "kept";
    EXPECT_FALSE(utils.ParseForControlHostId(nullptr, out, DebugLog(nullptr)));
    EXPECT_FALSE(utils.ParseForControlHostId("{a:1}", out, DebugLog(nullptr)));
    EXPECT_EQ(out, "kept");
}

}  // namespace
