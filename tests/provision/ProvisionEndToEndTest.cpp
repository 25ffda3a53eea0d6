// Every provisioning operation through the reference host, the built plug-in
// and a simulated array. The world's host object "me" owns this machine's two
// ports and has v1 at LUN 1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/HostWorld.h"
#include "support/TestData.h"

using testing::HasSubstr;
using testing::Not;

namespace {

constexpr long long kGiB = 1LL << 30;
const char* const kFreePort = "10000000C9A0E001";  // no host object owns it

class ProvisionEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_HOST_WORLD();
        w_ = std::make_unique<HostWorld>(HostWorldOptions{true, false, "", "", 1, 0});
    }
    // One request; "<result> <status>" of it, the row in row_.
    std::string Lun(const std::string& op, const std::string& volume, long long size = 0,
                    const std::string& map = "") {
        refhost::LunOutcome o = w_->lun(op, w_->request(volume, size, map));
        row_ = o.request;
        return std::to_string(o.result) + " " + std::to_string(row_.status);
    }
    std::string Map(const std::string& op, const std::string& host,
                    const std::vector<std::string>& ports) {
        return Lun(op, "prov_vol", 0,
                   refhost::mapRequestJson(host, "Red Hat Enterprise Linux 9", 3, ports));
    }
    std::string State() const {
        std::string all;
        for (const auto& line : w_->arrayState()) all += line + "\n";
        return all;
    }
    std::vector<std::string> Runs(const char* op) const {
        return w_->sim().RunArguments(HostWorld::kAddress, op);
    }
    std::unique_ptr<HostWorld> w_;
    refhost::LunRequestRow row_;
};

// The host learns the size made whenever it is not the size asked (steps in
// tests/data/provision/size-steps.txt).
TEST_F(ProvisionEndToEnd, CreateResizeAndDeleteMakeWholeUnitsAtLeastAsLargeAsAsked) {
    for (const auto& s : TestTable("provision/size-steps.txt")) {
        const std::string& asked = s.at(2);
        const long long bytes = std::stoll(asked) * (asked.back() == 'G' ? kGiB : 1);
        EXPECT_EQ(Lun(s.at(0), s.at(1), bytes), s[0] == "create" ? "0 0" : "0 3")
            << row_.errorMessage;
        EXPECT_EQ(row_.sizeBytes, std::stoll(s.at(3)) * kGiB) << s[1];
        EXPECT_THAT(State(), HasSubstr(s.at(4)));
    }
    EXPECT_THAT(Runs("vol_create").front(), HasSubstr("size_blocks=209715200"));
    const std::vector<std::string> resizes = Runs("vol_resize");
    ASSERT_EQ(resizes.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(resizes[i].find("shrink_volume=yes") != std::string::npos, i == 1) << i;

    EXPECT_EQ(Lun("delete", "prov_16"), "0 20");
    EXPECT_THAT(State(), Not(HasSubstr("prov_16")));
    EXPECT_EQ(Lun("delete", "prov_16"), "1 21");
    EXPECT_EQ(row_.errorCode, 70003);
}

TEST_F(ProvisionEndToEnd, MapToTheOwnerOfEachPortOrANewHost) {
    Lun("create", "prov_vol", 17 * kGiB);
    EXPECT_EQ(Map("map", "app1", {kFreePort}), "0 9") << row_.errorMessage;
    EXPECT_THAT(State(), HasSubstr(std::string(" ports ") + kFreePort));
    EXPECT_THAT(State(), HasSubstr("lun 1 prov_vol"));
    EXPECT_EQ(Runs("host_define").size(), 1u);
    EXPECT_EQ(Map("unmap", "app1", {kFreePort}), "0 14");
    EXPECT_THAT(State(), Not(HasSubstr("lun 1 prov_vol")));

    // A port "me" owns maps to it, at its first free LUN.
    w_->addVolume("v9", false);
    w_->admin({"map", "--host", HostWorld::kHostObject, "--vol", "v9", "--lun", "3"});
    EXPECT_EQ(Map("map", "any", {"2100001B32A0E001"}), "0 9");
    EXPECT_THAT(State(), HasSubstr("mapping me lun 2 prov_vol"));
    EXPECT_EQ(Runs("host_define").size(), 1u);
    Map("unmap", "any", {"2100001B32A0E001"});

    // The first port maps to "me"; the array refuses a host name this long
    // for the second. Part of the request is done, and stays done.
    const std::vector<std::string> ports = {"2100001B32A0E001", "10000000C9A0E002"};
    EXPECT_EQ(Map("map", std::string(60, 'h'), ports), "2 9");
    EXPECT_EQ(row_.errorMessage, "Failed to create host");
    EXPECT_THAT(State(), HasSubstr("mapping me lun 2 prov_vol"));
    EXPECT_EQ(Map("unmap", "x", ports), "2 14");
    EXPECT_THAT(State(), Not(HasSubstr("mapping me lun 2 prov_vol")));
}

TEST_F(ProvisionEndToEnd, ResolveGivesOneGroupWithEveryPortOfTheMappedHost) {
    EXPECT_EQ(Lun("resolve", "v1"), "0 5");
    EXPECT_EQ(row_.initiatorGroups, R"([{"name":"","protocol":"fcp","initiators":)"
                                    R"(["2100001B32A0E001","2100001B32A0E002"]}])");
    // A volume that is not there is a failure, not an empty answer, also
    // on an array that lists nothing for it; one mapped nowhere has no ports.
    w_->addVolume("prov_unmapped", false);
    for (const char* shape : {"default", "empty-listings"}) {
        w_->admin({"shape", "--set", shape});
        EXPECT_EQ(Lun("resolve", "prov_never_made").substr(0, 1), "1") << shape;
        EXPECT_EQ(std::to_string(row_.errorCode) + row_.initiatorGroups, "70003") << shape;
        EXPECT_EQ(Lun("resolve", "prov_unmapped"), "0 5") << shape;
        EXPECT_EQ(row_.initiatorGroups, R"([{"name":"","protocol":"","initiators":[]}])") << shape;
    }
}

}  // namespace
