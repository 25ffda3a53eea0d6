// Device nodes without a SCSI disk behind them: what a build machine has.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "TempDir.h"
#include "host/rt/DeviceTree.h"

TEST(RealDevice, MissingAndNonScsiNodesFailInTheRightShape) {
    ScopedEnv noSim("ZRSO_SIM_DISKS", nullptr);
    HostError err;
    EXPECT_TRUE(DeviceTree::getDevice("/dev/zrso-no-such-disk", &err).empty());
    EXPECT_EQ(err.code(), ENOENT);
    EXPECT_THAT(err.AsString(), ::testing::HasSubstr("/dev/zrso-no-such-disk"));
    EXPECT_TRUE(DeviceTree::getDevice("", &err).empty());
    EXPECT_TRUE(DeviceTree::getDevice(nullptr, nullptr).empty());

    // A character device without SG_IO, a plain file and a directory open
    // fine but offer no SCSI interface.
    TempDir dir;
    dir.write("plain", std::string(64, 'x'));
    for (std::string path : {std::string("/dev/null"), dir.file("plain"), dir.path()}) {
        SharedRef<HostDevice> device = DeviceTree::getDevice(path.c_str(), &err);
        ASSERT_TRUE(device) << path << ": " << err.AsString();
        EXPECT_STREQ(device->name(), path.c_str());
        EXPECT_EQ(device->getInterface(ScsiInterface::INTERFACE_NAME), nullptr) << path;
    }
}
