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

TEST_F(ProvisionEndToEnd, CreateReportsWhatTheArrayAllocatesAndNeverLogsThePassword) {
    auto exact = Run("create", "prov_17", 17 * kGiB);
    EXPECT_EQ(0, exact.result);
    EXPECT_EQ(0, exact.rows[0].status);
    EXPECT_EQ(17 * kGiB, exact.rows[0].sizeBytes);
    EXPECT_EQ("prov_17", exact.rows[0].lunName);
    auto rounded = Run("create", "prov_20", 20 * kGiB + 4096);
    EXPECT_EQ(34 * kGiB, rounded.rows[0].sizeBytes);
    EXPECT_THAT(w_->Show(), HasSubstr("volume prov_20 34 GB"));
    // Below one GiB is asked as 0, which the array refuses.
    auto tiny = Run("create", "prov_tiny", kGiB - 1);
    EXPECT_EQ(1, tiny.result);
    EXPECT_EQ(70003, tiny.rows[0].errorCode);
    EXPECT_THAT(w_->Runs("vol_create"), Contains(HasSubstr("size=0")));

    EXPECT_THAT(w_->LogText(), HasSubstr("Array decrypted password [********]"));
    EXPECT_THAT(w_->LogText(), Not(HasSubstr(w_->password())));
}

TEST_F(ProvisionEndToEnd, ResizeShrinksOnlyWithTheFlagAndDeleteRemoves) {
    ASSERT_EQ(0, Run("create", "prov_rs", 17 * kGiB).result);
    auto grow = Run("resize", "prov_rs", 40 * kGiB);
    EXPECT_EQ(0, grow.result);
    EXPECT_EQ(3, grow.rows[0].status);
    EXPECT_EQ(0, Run("resize", "prov_rs", 20 * kGiB).result);
    EXPECT_THAT(w_->Show(), HasSubstr("volume prov_rs 34 GB"));
    auto resizes = w_->Runs("vol_resize");
    ASSERT_EQ(2u, resizes.size());
    EXPECT_THAT(resizes[0], Not(HasSubstr("shrink_volume")));
    EXPECT_THAT(resizes[1], HasSubstr("shrink_volume=yes"));

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
    auto call = w_->Run("create", {w_->Request("prov_a", 17 * kGiB), bad,
                                   w_->Request("prov_c", 17 * kGiB)});
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
    EXPECT_EQ(R"([{"name":"","protocol":"fcp","initiators":["2100001B32A0D001","2100001B32A0D002"]}])",
              fc.rows[0].initiatorGroups);
    // A volume that is not there is a failure, not an empty answer.
    auto missing = Run("resolve", "prov_never_made");
    EXPECT_EQ(1, missing.result);
    EXPECT_EQ(70003, missing.rows[0].errorCode);
    EXPECT_EQ("", missing.rows[0].initiatorGroups);
}

}  // namespace
