// What the provisioning entry points decide before any array command, against
// a scripted host: the xcli directory holds no client, so a request that got
// through to the array would fail there with another text. And how a call of
// several LUNs ends, against a simulated array.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "engine/boundary/ZrsoExports.h"
#include "support/FakeLUNInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/HostWorld.h"
#include "support/TestData.h"

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

// Cases in tests/data/provision/refused-map-requests.txt.
TEST_F(ProvisionChecks, MapRequestsAreCheckedWholeBeforeAnyPortIsTouched) {
    for (const auto& c : TestTable("provision/refused-map-requests.txt")) {
        SCOPED_TRACE(c.at(1));
        lun_.statuses.clear();
        lun_.mapRequest = c[1];
        EXPECT_EQ(1, Call(c.at(0) == "map" ? zrso_mapLUNs : zrso_unmapLUNs));
        EXPECT_EQ(c.at(2), Error());
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
