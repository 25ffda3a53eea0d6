// Every provisioning operation through the reference host and the simulated
// array. The world's host object demo_client owns 2100001B32A0D001 and
// 2100001B32A0D002 and has demo_vol_1..3 at LUNs 1..3.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ProvisionWorld.h"

using testing::Contains;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;

namespace {

constexpr long long kGiB = 1LL << 30;
const char* const kFreePort = "10000000C9A0E001";  // no host object owns it

std::string MapRequest(const std::string& host, const std::string& endpoints) {
    return R"({"hosts":[{"hostname":")" + host +
           R"(","hostos":"Red Hat Enterprise Linux 9","protocol":"3","endpoints":[)" + endpoints +
           "]}]}";
}

class ProvisionEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (!ProvisionWorldAvailable()) GTEST_SKIP() << "plug-in or simulator not built";
        w_.reset(new ProvisionWorld);
    }
    ProvisionWorld::Call Run(const std::string& op, const std::string& volume, long long size = 0,
                             const std::string& request = "") {
        return w_->Run(op, {w_->Request(volume, size, request)});
    }
    std::unique_ptr<ProvisionWorld> w_;
};

// The array makes whole units of 16 GiB, at least as large as asked, and the
// host learns the size made whenever it is not the size asked.
TEST_F(ProvisionEndToEnd, CreateMakesAtLeastTheSizeAskedAndReportsItNeverLoggingThePassword) {
    const struct {
        const char* volume;
        long long asked;
        long long made;
        const char* shown;
    } creates[] = {
        {"prov_100", 100 * kGiB, 112 * kGiB, "volume prov_100 119 GB"},
        {"prov_16", 16 * kGiB, 16 * kGiB, "volume prov_16 17 GB"},
        {"prov_tiny", 1, 16 * kGiB, "volume prov_tiny 17 GB"},
    };
    for (const auto& c : creates) {
        auto call = Run("create", c.volume, c.asked);
        EXPECT_EQ(0, call.result) << c.volume << ": " << call.rows[0].errorMessage;
        EXPECT_EQ(0, call.rows[0].status) << c.volume;
        EXPECT_EQ(c.made, call.rows[0].sizeBytes) << c.volume;
        EXPECT_EQ(c.volume, call.rows[0].lunName);
        EXPECT_THAT(w_->Show(), HasSubstr(c.shown));
    }
    EXPECT_THAT(w_->Runs("vol_create"), Contains(HasSubstr("size_blocks=209715200")));

    EXPECT_THAT(w_->LogText(), HasSubstr("Array decrypted password [********]"));
    EXPECT_THAT(w_->LogText(), Not(HasSubstr(w_->password())));
}

TEST_F(ProvisionEndToEnd, ResizeGrowsAndShrinksAsAskedAndDeleteRemoves) {
    // 100 GB on the array is 6 units: 96 GiB.
    w_->Admin({"vol-create", "--address", w_->world().address, "--pool", w_->world().pool, "--vol",
               "prov_rs", "--size-gb", "100"});
    const struct {
        long long asked;
        long long made;
        bool shrinks;
    } resizes[] = {
        {97 * kGiB, 112 * kGiB, false},
        {20 * kGiB, 32 * kGiB, true},
        {32 * kGiB, 32 * kGiB, false},
    };
    for (const auto& r : resizes) {
        auto call = Run("resize", "prov_rs", r.asked);
        EXPECT_EQ(0, call.result) << r.asked << ": " << call.rows[0].errorMessage;
        EXPECT_EQ(3, call.rows[0].status);
        EXPECT_EQ(r.made, call.rows[0].sizeBytes) << r.asked;
        EXPECT_EQ(r.shrinks,
                  w_->Runs("vol_resize").back().find("shrink_volume=yes") != std::string::npos)
            << r.asked;
    }
    EXPECT_THAT(w_->Show(), HasSubstr("volume prov_rs 34 GB"));

    EXPECT_EQ(20, Run("delete", "prov_rs").rows[0].status);
    EXPECT_THAT(w_->Show(), Not(HasSubstr("prov_rs")));
    auto again = Run("delete", "prov_rs");
    EXPECT_EQ(1, again.result);
    EXPECT_EQ(21, again.rows[0].status);
    EXPECT_EQ(70003, again.rows[0].errorCode);
}

TEST_F(ProvisionEndToEnd, TheFirstFailingLunEndsTheCall) {
    auto bad = w_->Request("prov_b", 17 * kGiB);
    bad.poolName = "no_such_pool";
    auto call = w_->Run("create",
                        {w_->Request("prov_a", 17 * kGiB), bad, w_->Request("prov_c", 17 * kGiB)});
    EXPECT_EQ(2, call.result);
    EXPECT_EQ(0, call.rows[0].status);
    EXPECT_EQ(1, call.rows[1].status);
    EXPECT_EQ(70003, call.rows[1].errorCode);
    EXPECT_EQ(-1, call.rows[2].status);  // never touched
    EXPECT_THAT(w_->Show(), Not(HasSubstr("prov_c")));
}

TEST_F(ProvisionEndToEnd, AFreePortGetsANewHostAtLunOneAndUnmapsAgain) {
    ASSERT_EQ(0, Run("create", "prov_vol", 17 * kGiB).result);
    // The empty endpoint object is the host's placeholder and carries no port.
    const std::string request = MapRequest("app1", R"({},{"endpoint":"10000000C9A0E001"})");
    auto map = Run("map", "prov_vol", 0, request);
    EXPECT_EQ(0, map.result) << map.rows[0].errorMessage;
    EXPECT_EQ(9, map.rows[0].status);
    EXPECT_THAT(w_->Show(), HasSubstr(std::string("host app1_9876 ports ") + kFreePort));
    EXPECT_THAT(w_->Show(), HasSubstr("mapping app1_9876 lun 1 prov_vol"));
    EXPECT_EQ(1u, w_->Runs("host_define").size());

    auto unmap = Run("unmap", "prov_vol", 0, request);
    EXPECT_EQ(0, unmap.result) << unmap.rows[0].errorMessage;
    EXPECT_EQ(14, unmap.rows[0].status);
    EXPECT_THAT(w_->Show(), Not(HasSubstr("lun 1 prov_vol")));
}

TEST_F(ProvisionEndToEnd, AnOwnedPortMapsToItsHostAndALaterFailureAnswersTwo) {
    ASSERT_EQ(0, Run("create", "prov_vol", 17 * kGiB).result);
    const std::string address = w_->world().address;
    w_->Admin({"host-create", "--address", address, "--host", "srv", "--fc", "10000000C9B0E007"});
    w_->Admin({"map", "--address", address, "--host", "srv", "--vol", "demo_vol_1", "--lun", "1"});
    w_->Admin({"map", "--address", address, "--host", "srv", "--vol", "demo_vol_3", "--lun", "3"});
    auto map = Run("map", "prov_vol", 0, MapRequest("any", R"({"endpoint":"10000000c9b0e007"})"));
    EXPECT_EQ(0, map.result) << map.rows[0].errorMessage;
    EXPECT_THAT(w_->Show(), HasSubstr("mapping srv lun 2 prov_vol"));
    EXPECT_THAT(w_->Runs("host_define"), IsEmpty());

    // The first port maps to demo_client; the array refuses a host name this
    // long for the second. Part of the request is done, and stays done.
    const std::string ports = R"({"endpoint":"2100001B32A0D001"},{"endpoint":"10000000C9A0E001"})";
    auto partial = Run("map", "prov_vol", 0, MapRequest(std::string(60, 'h'), ports));
    EXPECT_EQ(2, partial.result);
    EXPECT_EQ(9, partial.rows[0].status);
    EXPECT_EQ("Failed to create host", partial.rows[0].errorMessage);
    EXPECT_THAT(w_->Show(), HasSubstr("mapping demo_client lun 4 prov_vol"));
    auto unmap = Run("unmap", "prov_vol", 0, MapRequest("x", ports));
    EXPECT_EQ(2, unmap.result);
    EXPECT_THAT(w_->Show(), Not(HasSubstr("demo_client lun 4")));
}

TEST_F(ProvisionEndToEnd, ResolveGivesOneGroupWithEveryPortOfTheMappedHost) {
    auto fc = Run("resolve", "demo_vol_1");
    EXPECT_EQ(0, fc.result) << fc.rows[0].errorMessage;
    EXPECT_EQ(5, fc.rows[0].status);
    EXPECT_EQ(
        R"([{"name":"","protocol":"fcp","initiators":["2100001B32A0D001","2100001B32A0D002"]}])",
        fc.rows[0].initiatorGroups);
    // A volume that is not there is a failure, not an empty answer, also
    // on an array that lists nothing for it; one mapped nowhere has no ports.
    w_->Admin({"vol-create", "--address", w_->world().address, "--pool", w_->world().pool, "--vol",
               "prov_unmapped", "--size-gb", "17"});
    for (const char* shape : {"default", "empty-listings"}) {
        w_->Admin({"shape", "--address", w_->world().address, "--set", shape});
        auto missing = Run("resolve", "prov_never_made");
        EXPECT_EQ(1, missing.result) << shape;
        EXPECT_EQ(70003, missing.rows[0].errorCode) << shape;
        EXPECT_EQ("", missing.rows[0].initiatorGroups) << shape;
        auto unmapped = Run("resolve", "prov_unmapped");
        EXPECT_EQ(0, unmapped.result) << shape << ": " << unmapped.rows[0].errorMessage;
        EXPECT_EQ(R"([{"name":"","protocol":"","initiators":[]}])",
                  unmapped.rows[0].initiatorGroups)
            << shape;
    }
}

}  // namespace
