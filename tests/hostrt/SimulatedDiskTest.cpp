// Simulated disks answer INQUIRY from their catalog entry (the catalog is
// tests/data/simdisk): pages made from the fields or given raw, cut to the
// allocation and buffer lengths and never written past; named failures fail.
#include <gtest/gtest.h>

#include <array>

#include "TempDir.h"
#include "TestData.h"
#include "host/rt/DeviceTree.h"

namespace {

using Cdb = std::array<unsigned char, 6>;
const Cdb kStandard = {0x12, 0x00, 0x00, 0x00, 0xFF, 0x00};
const Cdb kSerialPage = {0x12, 0x01, 0x80, 0x00, 0xCF, 0x00};
const Cdb kIdPage = {0x12, 0x01, 0x83, 0x00, 0xFF, 0x00};

class SimulatedDisk : public ::testing::Test {
protected:
    ScsiInterface* scsi(const std::string& device) {
        HostError err;
        handle_ = DeviceTree::getDevice(device.c_str(), &err);
        EXPECT_TRUE(handle_) << device << ": " << err.AsString();
        return handle_ ? static_cast<ScsiInterface*>(
                             handle_->getInterface(ScsiInterface::INTERFACE_NAME))
                       : nullptr;
    }

    ScopedEnv catalog_{"ZRSO_SIM_DISKS", TestDataPath("simdisk").c_str()};
    SharedRef<HostDevice> handle_;
};

TEST_F(SimulatedDisk, InquiryAnswersAreCutToTheLengthsAndFailWhereTheEntrySays) {
    const struct {
        const char* device;
        Cdb cdb;
        unsigned int length;  // of the buffer offered
        const char* page;     // the expected answer; null: only its size is checked
        int size;             // -1: the command fails
    } cases[] = {
        {"/dev/xivd1", kStandard, 4096, "xivd1-standard", 36},
        {"xivd1", kSerialPage, 4096, "xivd1-serial", 15},  // the base name finds it too
        {"/dev/xivd1", kIdPage, 4096, "xivd1-id", 24},
        {"/dev/odd", kStandard, 4096, "odd-standard", 36},
        {"/dev/odd", kIdPage, 4096, "odd-id", 4},
        {"/dev/long", {0x12, 0x00, 0x00, 0x00, 0x05, 0x00}, 4096, nullptr, 5},
        {"/dev/long", {0x12, 0x00, 0x00, 0x00, 0x00, 0x00}, 4096, nullptr, 0},
        {"/dev/long", {0x12, 0x01, 0x80, 0x01, 0x00, 0x00}, 4096, nullptr, 256},  // 16-bit length
        {"/dev/long", kSerialPage, 4096, nullptr, 0xCF},
        {"/dev/long", kStandard, 10, nullptr, 10},
        {"/dev/raw", kStandard, 4096, "raw-standard", 11},
        {"/dev/raw", kSerialPage, 4096, "raw-serial", 0xCF},
        {"/dev/raw", kIdPage, 4096, nullptr, -1},
        {"/dev/bad", kStandard, 4096, nullptr, -1},  // its inquiry_hex is no hex
        {"/dev/bad", kSerialPage, 4096, nullptr, -1},
        {"/dev/bad", kIdPage, 4096, nullptr, 24},
        {"/dev/xivd1", {0x12, 0x00, 0x80, 0x00, 0xFF, 0x00}, 4096, nullptr, -1},  // page, no EVPD
        {"/dev/xivd1", {0x12, 0x01, 0xB0, 0x00, 0xFF, 0x00}, 4096, nullptr, -1},  // unknown page
    };
    for (const auto& c : cases) {
        ScsiInterface* s = scsi(c.device);
        ASSERT_NE(s, nullptr) << c.device;
        std::vector<unsigned char> buffer(4096 + 16, 0xEE);
        HostError err;
        int n =
            s->sendCommand(c.cdb.data(), 6, buffer.data(), c.length, 0, 1, nullptr, 0, 10, &err);
        const std::string what = std::string(c.device) + " page " + std::to_string(c.cdb[2]);
        EXPECT_EQ(n, c.size) << what;
        EXPECT_EQ(err.ok(), c.size >= 0) << what;
        if (c.page) {
            EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + std::max(n, 0)),
                      HexPage(std::string("simdisk/") + c.page + ".hex"))
                << what;
        }
        for (std::size_t i = std::max(n, 0); i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 0xEE) << what << ": written past the answer at " << i;
    }
    EXPECT_EQ(handle_->getInterface("OtherInterface"), nullptr);
}

TEST_F(SimulatedDisk, OtherCommandsBadArgumentsAndNamesOutsideTheCatalogFail) {
    ScsiInterface* s = scsi("/dev/xivd1");
    ASSERT_NE(s, nullptr);
    unsigned char data[64], sense[32] = {};
    HostError err;
    const unsigned char readCapacity[] = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(
        s->sendCommand(readCapacity, 10, data, sizeof data, 0, 1, sense, sizeof sense, 10, &err),
        -1);
    EXPECT_FALSE(err.ok());
    EXPECT_EQ(sense[2], 0x05) << "ILLEGAL REQUEST";
    const unsigned char* standard = kStandard.data();
    EXPECT_EQ(s->sendCommand(standard, 5, data, sizeof data, 0, 1, nullptr, 0, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(standard, 6, nullptr, 64, 0, 1, nullptr, 0, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(standard, 6, data, sizeof data, 1, 1, nullptr, 0, 10, &err), -1)
        << "data-out";

    for (const char* name :
         {"/dev/zrso-missing", "/dev/xivd1/..", "{idatype:vmware,vendor:HP}", "/dev/.x"}) {
        EXPECT_FALSE(DeviceTree::getDevice(name, &err)) << name;
        EXPECT_FALSE(err.ok()) << name;
    }
    ScopedEnv unset("ZRSO_SIM_DISKS", nullptr);
    EXPECT_FALSE(DeviceTree::getDevice("/dev/xivd1", &err)) << "catalog only when named";
}

}  // namespace
