// Simulated disks answer INQUIRY from their catalog entry (the catalog and
// the cases, inquiries.txt, are in tests/data/simdisk): pages made from the
// fields or given raw, cut to the allocation and buffer lengths and never
// written past; named failures fail.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "TestData.h"
#include "host/rt/DeviceTree.h"

namespace {

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
    for (const auto& row : TestTable("simdisk/inquiries.txt")) {
        ScsiInterface* s = scsi(row[0]);
        ASSERT_NE(s, nullptr) << row[0];
        std::string cdb;
        for (std::size_t i = 0; i < row[1].size(); i += 2)
            cdb += static_cast<char>(std::stoi(row[1].substr(i, 2), nullptr, 16));
        std::vector<unsigned char> buffer(4096 + 16, 0xEE);
        HostError err;
        int n = s->sendCommand(reinterpret_cast<const unsigned char*>(cdb.data()), 6, buffer.data(),
                               std::stoul(row[2]), 0, 1, nullptr, 0, 10, &err);
        const std::string what = row[0] + " " + row[1];
        EXPECT_EQ(n, std::stoi(row[4])) << what;
        EXPECT_EQ(err.ok(), n >= 0) << what;
        if (row[3] != "-") {
            EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + std::max(n, 0)),
                      HexPage("simdisk/" + row[3] + ".hex"))
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
    const unsigned char standard[] = {0x12, 0x00, 0x00, 0x00, 0xFF, 0x00};
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
