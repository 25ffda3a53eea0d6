// Device nodes without a SCSI disk behind them: what a build machine has.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "TestSupport.h"
#include "host/rt/DeviceTree.h"

using hostrt_test::ScopedEnv;
using hostrt_test::TempDir;

namespace {

TEST(RealDevice, MissingPathGivesEmptyHandleAndReason) {
    ScopedEnv noSim("ZRSO_SIM_DISKS", nullptr);
    HostError err;
    SharedRef<HostDevice> device = DeviceTree::getDevice("/dev/zrso-no-such-disk", &err);
    EXPECT_TRUE(device.empty());
    EXPECT_EQ(err.code(), ENOENT);
    EXPECT_THAT(err.AsString(), ::testing::HasSubstr("/dev/zrso-no-such-disk"));
    err = HostError::Success();
    EXPECT_TRUE(DeviceTree::getDevice("", &err).empty());
    EXPECT_FALSE(err.ok());
    EXPECT_TRUE(DeviceTree::getDevice(nullptr, nullptr).empty());
}

TEST(RealDevice, NodesThatAreNotScsiOfferNoScsiInterface) {
    ScopedEnv noSim("ZRSO_SIM_DISKS", nullptr);
    TempDir dir;
    hostrt_test::writeFile(dir.file("plain"), std::string(64, 'x'));
    for (std::string path : {std::string("/dev/null"), dir.file("plain"), dir.path()}) {
        HostError err;
        SharedRef<HostDevice> device = DeviceTree::getDevice(path.c_str(), &err);
        ASSERT_TRUE(device) << path << ": " << err.AsString();
        EXPECT_STREQ(device->name(), path.c_str());
        EXPECT_EQ(device->getInterface(ScsiInterface::INTERFACE_NAME), nullptr) << path;
    }
}

}  // namespace
