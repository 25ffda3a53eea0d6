// Faults set through the admin tool.
#include "SimHarness.h"

namespace simtest {
namespace {

class SimFaults : public SimWorld {
protected:
    void fault(std::vector<std::string> options) {
        std::vector<std::string> args{"fault", "--address", "xiv-a"};
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_EQ(0, admin(args).code);
    }
};

TEST_F(SimFaults, FailAnswersTheStatusForTheGivenCount) {
    fault({"--kind", "fail", "--status", "NO_CONNECTION", "--count", "2"});
    EXPECT_EQ("NO_CONNECTION", status({"host_list"}));
    EXPECT_EQ("NO_CONNECTION", status({"pool_list"}));
    EXPECT_EQ("SUCCESS", status({"host_list"}));
}

TEST_F(SimFaults, OpLimitsAFaultToOneOperation) {
    fault({"--kind", "fail", "--status", "VOLUME_BAD_NAME", "--op", "vol_list"});
    EXPECT_EQ("SUCCESS", status({"host_list"}));
    EXPECT_EQ("VOLUME_BAD_NAME", status({"vol_list"}));
    EXPECT_EQ("SUCCESS", status({"vol_list"}));
}

TEST_F(SimFaults, ExitGarbageAndHang) {
    fault({"--kind", "exit", "--code", "7"});
    auto crashed = xcli({"host_list"});
    EXPECT_EQ(7, crashed.code);
    EXPECT_EQ("", crashed.out);

    fault({"--kind", "garbage"});
    auto garbage = xcli({"host_list"});
    EXPECT_FALSE(garbage.out.empty());
    EXPECT_EQ(std::string::npos, garbage.out.find("XCLIRETURN"));

    fault({"--kind", "hang", "--seconds", "0.05"});
    EXPECT_EQ("SUCCESS", status({"host_list"}));
}

TEST_F(SimFaults, TruncateAndBannerShapeARealAnswer) {
    fault({"--kind", "truncate", "--bytes", "30"});
    auto cut = xcli({"vol_create", "vol=v1", "size=17", "pool=p1"});
    EXPECT_EQ(30u, cut.out.size());
    EXPECT_EQ("v1", volume("v1")["name"]);  // the command itself ran

    fault({"--kind", "banner"});
    auto wrapped = xcli({"host_list"}).out;
    auto start = wrapped.find("<XCLIRETURN");
    auto end = wrapped.find("</XCLIRETURN>");
    ASSERT_NE(std::string::npos, start);
    ASSERT_NE(std::string::npos, end);
    EXPECT_GT(start, 0u);
    EXPECT_GT(wrapped.size(), end + 14);
    EXPECT_EQ("SUCCESS", statusOf(wrapped));
}

TEST_F(SimFaults, LunInUseRefusesTheFirstMappings) {
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
    ASSERT_EQ("SUCCESS", status({"host_define", "host=h1"}));
    fault({"--kind", "lun-in-use", "--count", "2"});
    EXPECT_EQ("SUCCESS", status({"host_list"}));  // only map_vol meets it
    EXPECT_EQ("LUN_ALREADY_IN_USE", status({"map_vol", "host=h1", "vol=v1", "lun=12"}));
    EXPECT_EQ("LUN_ALREADY_IN_USE", status({"map_vol", "host=h1", "vol=v1", "lun=40"}));
    EXPECT_EQ("SUCCESS", status({"map_vol", "host=h1", "vol=v1", "lun=40"}));
}

TEST_F(SimFaults, ClearRemovesPendingFaultsAndBadRequestsAreRefused) {
    fault({"--kind", "fail", "--status", "NO_CONNECTION", "--count", "5"});
    ASSERT_EQ(0, admin({"fault-clear", "--address", "xiv-a"}).code);
    EXPECT_EQ("SUCCESS", status({"host_list"}));
    EXPECT_NE(0, admin({"fault", "--address", "xiv-a", "--kind", "melt"}).code);
    EXPECT_NE(0, admin({"fault", "--address", "xiv-a", "--kind", "fail"}).code);
    EXPECT_NE(0, admin({"fault", "--address", "xiv-a", "--kind", "hang", "--seconds", "x"}).code);
    EXPECT_NE(0, admin({"fault", "--address", "xiv-z", "--kind", "garbage"}).code);
}

// The second vol_create does its work, then waits until released; the
// admin tool names the held run.
TEST_F(SimFaults, HoldKeepsTheNthRunAfterItsWorkUntilReleased) {
    ASSERT_EQ(0, admin({"hold", "--address", "xiv-a", "--op", "vol_create", "--nth", "2"}).code);
    EXPECT_EQ("SUCCESS", status({"host_list"}));
    EXPECT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
    EXPECT_NE(0, admin({"held", "--address", "xiv-a", "--seconds", "0"}).code);

    Started second = startProgram("xcli", xcliArgs({"vol_create", "vol=v2", "size=17", "pool=p1"}));
    RunResult held = admin({"held", "--address", "xiv-a", "--seconds", "60"});
    ASSERT_EQ(0, held.code) << held.err;
    EXPECT_EQ(std::to_string(second.pid) + "\tvol_create\tvol=v2 size=17 pool=p1\n", held.out);
    EXPECT_EQ("v2", volume("v2")["name"]);  // done before the answer

    ASSERT_EQ(0, admin({"release", "--address", "xiv-a"}).code);
    EXPECT_EQ("SUCCESS", statusOf(finish(second).out));
    EXPECT_EQ("SUCCESS", status({"vol_create", "vol=v3", "size=17", "pool=p1"}));
}

}  // namespace
}  // namespace simtest
