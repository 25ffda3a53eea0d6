// What the provisioning entry points decide before any array command, against
// a scripted host: the xcli directory holds no client, so a request that got
// through to the array would fail there with another text. And how a call of
// several LUNs ends, against a simulated array.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "engine/boundary/ZrsoExports.h"
#include "support/HostWorld.h"
#include "support/ZrsoTestSupport.h"

namespace {

using Entry = int (*)(ZRSO::LUNInfo**, short, ZRSO::ZROSUtil*);

class ProvisionChecks : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_HOST_WORLD();
        w_ = std::make_unique<HostWorld>(HostWorldOptions{true, false, "", "", 0, 0});
        w_->setPlatform(w_->root() + "/no-client");
        Fill(lun_, "vol1");
    }
    void Fill(FakeLUNInfo& lun, const std::string& volume) {
        lun = FakeLUNInfo();
        w_->fakeLun(lun, volume);
        lun.volumeSize = 20LL << 30;
    }
    int Call(Entry entry) {
        ZRSO::LUNInfo* luns[] = {&lun_, &untouched_};
        return entry(luns, 2, &os_);
    }
    std::string Error() const { return lun_.lastError() ? lun_.lastError()->message : "(none)"; }

    std::unique_ptr<HostWorld> w_;
    FakeZROSUtil os_;
    FakeLUNInfo lun_, untouched_;
};

TEST_F(ProvisionChecks, TheFirstFailingReadNamesItselfAndEndsTheCall) {
    const std::vector<std::pair<std::function<void(FakeLUNInfo&)>, const char*>> cases = {
        {[](FakeLUNInfo& l) { l.arrayName.failAlways(1); }, "Failed to get Array Name"},
        {[](FakeLUNInfo& l) { l.arrayControlHost.failAlways(1); },
         "Failed to get Array Control Host"},
        {[](FakeLUNInfo& l) { l.arrayUser.tooSmallForever(); }, "Failed to get Array Login"},
        {[](FakeLUNInfo& l) { l.arrayPassword.failAlways(1); }, "Failed to get Array Password"},
        {[](FakeLUNInfo& l) { l.volumeName.failAlways(1); }, "Failed to get Array volume name"},
        {[](FakeLUNInfo& l) { l.poolName.failAlways(1); }, "Failed to get Array Pool Name"},
        {[](FakeLUNInfo& l) { l.volumeSizeResult = 1; }, "Failed to get volume Size"},
        {[](FakeLUNInfo& l) { l.arrayPassword = "never-enciphered"; }, "Failed to decrypt"},
    };
    for (const auto& c : cases) {
        Fill(lun_, "vol1");
        c.first(lun_);
        EXPECT_EQ(1, Call(zrso_createLUNs));
        EXPECT_EQ(c.second, Error());
        EXPECT_EQ(70003, lun_.lastError()->code);
        EXPECT_TRUE(untouched_.statuses.empty());
    }
}

TEST_F(ProvisionChecks, MapRequestsAreCheckedWholeBeforeAnyPortIsTouched) {
    const std::string mapBad = "Incorrect paramteres in the map info structure.";
    const std::string noHosts = "Unable to get the host list to map the luns.";
    auto host = [](const char* name, const char* os, const char* protocol) {
        return std::string(R"({"hostname":")") + name + R"(","hostos":")" + os +
               R"(","protocol":)" + protocol + R"(,"endpoints":[{"endpoint":"p1"}]})";
    };
    // Parsing itself is the JSON reader's; these are the entry points' checks.
    const std::vector<std::tuple<std::string, Entry, std::string>> cases = {
        {"{\"hosts\":[" + host("h", "Linux", "\"5\"") + "]}", zrso_mapLUNs, mapBad},
        {"{\"hosts\":[" + host("h", "Linux", "\"5\"") + "]}", zrso_unmapLUNs,
         "Incorrect paramteres in the unmap info structure."},
        // A good first host does not let a bad second one through.
        {"{\"hosts\":[" + host("h", "Linux", "\"3\"") + "," + host("", "AIX", "\"4\"") + "]}",
         zrso_mapLUNs, mapBad},
        {"{\"hosts\":[" + host("esx7", "VMware ESXi", "\"3\"") + "]}", zrso_mapLUNs,
         "Required parameters: initiator list or protocoltype or ostype or mount host name is "
         "missing."},
        {"{}", zrso_mapLUNs, noHosts},
        {"{}", zrso_unmapLUNs, "Unable to get the host list to unmap the luns."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::get<0>(c));
        lun_.statuses.clear();
        lun_.mapRequest = std::get<0>(c);
        EXPECT_EQ(1, Call(std::get<1>(c)));
        EXPECT_EQ(std::get<2>(c), Error());
        EXPECT_EQ(1u, lun_.statuses.size()) << "a port was handled";
    }
}

// The second LUN names a pool the array lacks: the first stays made, the
// third is never touched, and the host hears that part of the call was done.
TEST_F(ProvisionChecks, TheFirstFailingLunOnTheArrayEndsTheCall) {
    w_->setPlatform("");
    FakeLUNInfo second, third;
    Fill(second, "vol2");
    Fill(third, "vol3");
    second.poolName = "no_such_pool";
    ZRSO::LUNInfo* luns[] = {&lun_, &second, &third};
    EXPECT_EQ(2, zrso_createLUNs(luns, 3, &os_));
    EXPECT_EQ(0, lun_.statuses.back());
    EXPECT_EQ(1, second.statuses.back());
    EXPECT_EQ(70003, second.lastError()->code);
    EXPECT_TRUE(third.statuses.empty());
    EXPECT_EQ(2u, w_->sim().RunArguments(HostWorld::kAddress, "vol_create").size());
}

}  // namespace
