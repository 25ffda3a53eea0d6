// Every provisioning operation as the operator runs it: zrso-host lun over
// the built plug-in and a simulated array. The world's host object "me" owns
// this machine's two ports and has v1 at LUN 1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/HostWorld.h"
#include "support/TempDir.h"

using testing::HasSubstr;
using testing::Not;

namespace {

constexpr long long kGiB = 1LL << 30;
const char* const kFreePort = "10000000C9A0E001";  // no host object owns it

class ProvisionEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (!HostWorld::buildHasIt()) GTEST_SKIP() << "zrso-host, plug-in or simulator not built";
        w_ = HostWorld::ready(env_.tmp().file("world"), 1);
    }
    // zrso-host --json lun <op> --array xiv1 --volume <volume> <more>: its JSON line.
    std::string Lun(const std::string& op, const std::string& volume,
                    std::vector<std::string> more = {}) {
        std::vector<std::string> words = {"--json",          "lun",      op,     "--array",
                                          HostWorld::kArray, "--volume", volume, "--yes"};
        words.insert(words.end(), more.begin(), more.end());
        return w_->host(words).out;
    }
    std::string Map(const std::string& op, const std::string& host,
                    const std::vector<std::string>& ports) {
        std::vector<std::string> more = {"--host", host, "--os", "Red Hat Enterprise Linux 9"};
        for (const auto& p : ports) more.insert(more.end(), {"--port", p});
        return Lun(op, "prov_vol", more);
    }
    std::string State() const {
        std::string all;
        for (const auto& line : w_->arrayState()) all += line + "\n";
        return all;
    }
    void Sim(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--address", HostWorld::kAddress});
        w_->sim().Admin(args);
    }
    HostWorldEnv env_{"provision"};
    std::unique_ptr<HostWorld> w_;
};

// The array makes whole units of 16 GiB, at least as large as asked, and the
// host learns the size made whenever it is not the size asked.
TEST_F(ProvisionEndToEnd, CreateMakesAtLeastTheSizeAskedAndDeleteRemoves) {
    const struct {
        const char* volume;
        const char* asked;
        long long made;
        const char* shown;
    } creates[] = {
        {"prov_100", "100G", 112 * kGiB, "volume prov_100 119 GB"},
        {"prov_16", "16G", 16 * kGiB, "volume prov_16 17 GB"},
        {"prov_tiny", "1", 16 * kGiB, "volume prov_tiny 17 GB"},
    };
    for (const auto& c : creates) {
        std::string out = Lun("create", c.volume, {"--pool", HostWorld::kPool, "--size", c.asked});
        EXPECT_THAT(out, HasSubstr("\"result\":0,\"ok\":true"));
        EXPECT_THAT(out, HasSubstr("\"status\":0,"));
        EXPECT_THAT(out, HasSubstr("\"size_bytes\":" + std::to_string(c.made) + ","));
        EXPECT_THAT(State(), HasSubstr(c.shown));
    }
    EXPECT_EQ(w_->sim().RunArguments(HostWorld::kAddress, "vol_create").size(), 3u);
    EXPECT_THAT(w_->sim().RunArguments(HostWorld::kAddress, "vol_create").front(),
                HasSubstr("size_blocks=209715200"));

    EXPECT_THAT(Lun("delete", "prov_16"), HasSubstr("\"result\":0,\"ok\":true"));
    EXPECT_THAT(State(), Not(HasSubstr("prov_16")));
    std::string again = Lun("delete", "prov_16");
    EXPECT_THAT(again, HasSubstr("\"result\":1,"));
    EXPECT_THAT(again, HasSubstr("\"status\":21,"));
    EXPECT_THAT(again, HasSubstr("\"code\":70003"));
}

TEST_F(ProvisionEndToEnd, ResizeGrowsAndShrinksAsAsked) {
    // 100 GB on the array is 6 units: 96 GiB.
    Sim({"vol-create", "--pool", HostWorld::kPool, "--vol", "prov_rs", "--size-gb", "100"});
    const struct {
        const char* asked;
        long long made;
        bool shrinks;
    } resizes[] = {{"97G", 112 * kGiB, false}, {"20G", 32 * kGiB, true}, {"32G", 32 * kGiB, false}};
    for (const auto& r : resizes) {
        std::string out = Lun("resize", "prov_rs", {"--size", r.asked, "--allow-shrink"});
        EXPECT_THAT(out, HasSubstr("\"result\":0,\"ok\":true")) << r.asked;
        EXPECT_THAT(out, HasSubstr("\"status\":3,"));
        EXPECT_THAT(out, HasSubstr("\"size_bytes\":" + std::to_string(r.made) + ","));
        EXPECT_EQ(r.shrinks, w_->sim()
                                     .RunArguments(HostWorld::kAddress, "vol_resize")
                                     .back()
                                     .find("shrink_volume=yes") != std::string::npos)
            << r.asked;
    }
    EXPECT_THAT(State(), HasSubstr("volume prov_rs 34 GB"));
}

TEST_F(ProvisionEndToEnd, AFreePortGetsANewHostAtLunOneAnOwnedOneItsOwner) {
    Lun("create", "prov_vol", {"--pool", HostWorld::kPool, "--size", "17G"});
    std::string map = Map("map", "app1", {kFreePort});
    EXPECT_THAT(map, HasSubstr("\"result\":0,\"ok\":true"));
    EXPECT_THAT(map, HasSubstr("\"status\":9,"));
    EXPECT_THAT(State(), HasSubstr(std::string(" ports ") + kFreePort));
    EXPECT_THAT(State(), HasSubstr("lun 1 prov_vol"));
    EXPECT_EQ(w_->sim().RunArguments(HostWorld::kAddress, "host_define").size(), 1u);
    std::string unmap = Map("unmap", "app1", {kFreePort});
    EXPECT_THAT(unmap, HasSubstr("\"result\":0,\"ok\":true"));
    EXPECT_THAT(unmap, HasSubstr("\"status\":14,"));
    EXPECT_THAT(State(), Not(HasSubstr("lun 1 prov_vol")));

    // A port "me" owns maps to it, at its first free LUN.
    Sim({"vol-create", "--pool", HostWorld::kPool, "--vol", "v9", "--size-gb", "17"});
    Sim({"map", "--host", HostWorld::kHostObject, "--vol", "v9", "--lun", "3"});
    EXPECT_THAT(Map("map", "any", {"2100001b32a0e001"}), HasSubstr("\"result\":0,\"ok\":true"));
    EXPECT_THAT(State(), HasSubstr("mapping me lun 2 prov_vol"));
    EXPECT_EQ(w_->sim().RunArguments(HostWorld::kAddress, "host_define").size(), 1u);
}

// The first port maps to "me"; the array refuses a host name this long for
// the second. Part of the request is done, and stays done.
TEST_F(ProvisionEndToEnd, AFailureAfterSomePortsAnswersTwo) {
    Lun("create", "prov_vol", {"--pool", HostWorld::kPool, "--size", "17G"});
    const std::vector<std::string> ports = {"2100001B32A0E001", kFreePort};
    std::string partial = Map("map", std::string(60, 'h'), ports);
    EXPECT_THAT(partial, HasSubstr("\"result\":2,"));
    EXPECT_THAT(partial, HasSubstr("\"status\":9,"));
    EXPECT_THAT(partial, HasSubstr("\"message\":\"Failed to create host\""));
    EXPECT_THAT(State(), HasSubstr("mapping me lun 2 prov_vol"));
    EXPECT_THAT(Map("unmap", "x", ports), HasSubstr("\"result\":2,"));
    EXPECT_THAT(State(), Not(HasSubstr("mapping me lun 2 prov_vol")));
}

TEST_F(ProvisionEndToEnd, ResolveGivesOneGroupWithEveryPortOfTheMappedHost) {
    std::string fc = Lun("resolve", "v1");
    EXPECT_THAT(fc, HasSubstr("\"status\":5,"));
    EXPECT_THAT(fc, HasSubstr(R"("initiator_groups":[{"name":"","protocol":"fcp","initiators":)"
                              R"(["2100001B32A0E001","2100001B32A0E002"]}])"));
    // A volume that is not there is a failure, not an empty answer, also
    // on an array that lists nothing for it; one mapped nowhere has no ports.
    Sim({"vol-create", "--pool", HostWorld::kPool, "--vol", "prov_unmapped", "--size-gb", "17"});
    for (const char* shape : {"default", "empty-listings"}) {
        Sim({"shape", "--set", shape});
        std::string missing = Lun("resolve", "prov_never_made");
        EXPECT_THAT(missing, HasSubstr("\"result\":1,")) << shape;
        EXPECT_THAT(missing, HasSubstr("\"code\":70003")) << shape;
        EXPECT_THAT(missing, HasSubstr("\"initiator_groups\":[]")) << shape;
        std::string unmapped = Lun("resolve", "prov_unmapped");
        EXPECT_THAT(unmapped, HasSubstr("\"result\":0,\"ok\":true")) << shape;
        EXPECT_THAT(unmapped, HasSubstr(R"([{"name":"","protocol":"","initiators":[]}])")) << shape;
    }
}

}  // namespace
