#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TempDir.h"
#include "host/rt/DeviceTree.h"
#include "host/rt/SimDiskCatalog.h"

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

using Bytes = std::vector<unsigned char>;

const unsigned char kStandard[] = {0x12, 0x00, 0x00, 0x00, 0xFF, 0x00};
const unsigned char kSerialPage[] = {0x12, 0x01, 0x80, 0x00, 0xCF, 0x00};
const unsigned char kIdPage[] = {0x12, 0x01, 0x83, 0x00, 0xFF, 0x00};

Bytes bytes(std::initializer_list<unsigned char> head, const std::string& tail = "") {
    Bytes b(head);
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

class SimulatedDiskTest : public ::testing::Test {
protected:
    void disk(const std::string& name, SimDiskCatalog::Fields extra = {}) {
        SimDiskCatalog::Fields fields = {{"vendor", "IBM"},
                                         {"product", "2810XIV"},
                                         {"revision", "10.2"},
                                         {"serial", "13027950A1B"},
                                         {"naa", "6001738CFC9035E80000000000001234"}};
        fields.insert(fields.end(), extra.begin(), extra.end());
        ASSERT_TRUE(catalog_.write(name, fields, nullptr));
    }

    ScsiInterface* scsi(const std::string& device) {
        HostError err;
        handle_ = DeviceTree::getDevice(device.c_str(), &err);
        EXPECT_TRUE(handle_) << err.AsString();
        return handle_ ? static_cast<ScsiInterface*>(
                             handle_->getInterface(ScsiInterface::INTERFACE_NAME))
                       : nullptr;
    }

    // Sends cdb as the plug-in does (buffer 4096, then 0, 1, null, 0, 10).
    // Returns the bytes transferred; *rc gets the result. Checks that nothing
    // is written beyond the transfer or the buffer length.
    Bytes inquire(ScsiInterface* s, const unsigned char* cdb, int* rc = nullptr,
                  HostError* err = nullptr, unsigned int length = 4096) {
        Bytes buffer(4096 + 16, 0xEE);
        HostError local;
        int n =
            s->sendCommand(cdb, 6, buffer.data(), length, 0, 1, nullptr, 0, 10, err ? err : &local);
        if (rc) *rc = n;
        for (std::size_t i = std::max(n, 0); i < buffer.size(); ++i)
            EXPECT_EQ(buffer[i], 0xEE) << "written past the answer at " << i;
        return Bytes(buffer.begin(), buffer.begin() + std::max(n, 0));
    }

    TempDir dir_;
    ScopedEnv env_{"ZRSO_SIM_DISKS", dir_.path().c_str()};
    SimDiskCatalog catalog_{dir_.path()};
    SharedRef<HostDevice> handle_;
};

TEST_F(SimulatedDiskTest, PagesAreSynthesisedByteExact) {
    disk("xivd1");
    ScsiInterface* s = scsi("/dev/xivd1");
    ASSERT_NE(s, nullptr);
    EXPECT_THAT(inquire(s, kStandard),
                ElementsAreArray(bytes({0, 0, 5, 2, 31, 0, 0, 0}, "IBM     2810XIV         10.2")));
    EXPECT_THAT(inquire(s, kSerialPage), ElementsAreArray(bytes({0, 0x80, 0, 11}, "13027950A1B")));
    EXPECT_THAT(inquire(s, kIdPage),
                ElementsAreArray(
                    bytes({0,    0x83, 0,    20,   0x01, 0x03, 0, 16, 0x60, 0x01, 0x73, 0x8C,
                           0xFC, 0x90, 0x35, 0xE8, 0,    0,    0, 0,  0,    0,    0x12, 0x34})));
    EXPECT_NE(scsi("xivd1"), nullptr) << "found by base name too";
    EXPECT_EQ(handle_->getInterface("OtherInterface"), nullptr);

    disk("odd",
         {{"vendor", "IBMCORPORATION"}, {"product", "0123456789ABCDEFGHIJ"}, {"naa", "60017XYZ"}});
    s = scsi("/dev/odd");
    EXPECT_THAT(inquire(s, kStandard),
                ElementsAreArray(bytes({0, 0, 5, 2, 31, 0, 0, 0}, "IBMCORPO0123456789ABCDEF10.2")));
    EXPECT_THAT(inquire(s, kIdPage), ElementsAreArray(bytes({0, 0x83, 0, 0})))
        << "bad naa: no designator";
}

TEST_F(SimulatedDiskTest, AllocationAndBufferLengthBoundTheAnswer) {
    disk("xivd3", {{"serial", std::string(300, 'S')}});
    ScsiInterface* s = scsi("/dev/xivd3");
    ASSERT_NE(s, nullptr);
    const unsigned char five[] = {0x12, 0x00, 0x00, 0x00, 0x05, 0x00};
    const unsigned char zero[] = {0x12, 0x00, 0x00, 0x00, 0x00, 0x00};
    const unsigned char wide[] = {0x12, 0x01, 0x80,
                                  0x01, 0x00, 0x00};  // 16-bit allocation length 256
    EXPECT_EQ(inquire(s, five).size(), 5u);
    EXPECT_EQ(inquire(s, zero).size(), 0u);
    EXPECT_EQ(inquire(s, wide).size(), 256u);
    EXPECT_EQ(inquire(s, kSerialPage).size(), 0xCFu);
    int rc = 0;
    EXPECT_EQ(inquire(s, kStandard, &rc, nullptr, 10).size(), 10u);
    EXPECT_EQ(rc, 10);
}

TEST_F(SimulatedDiskTest, RawAnswersAndFailuresFromTheCatalog) {
    std::string hex;
    for (int i = 0; i < 300; ++i) hex += "A5";
    disk("raw", {{"inquiry_hex", "00 00 05 02 1f 00 00 00 49 42 4d"},
                 {"vpd80_hex", hex},
                 {"fail", "vpd83"}});
    ScsiInterface* s = scsi("/dev/raw");
    ASSERT_NE(s, nullptr);
    EXPECT_THAT(inquire(s, kStandard), ElementsAreArray(bytes({0, 0, 5, 2, 0x1F, 0, 0, 0}, "IBM")));
    EXPECT_THAT(inquire(s, kSerialPage), ElementsAreArray(Bytes(0xCF, 0xA5)));
    int rc = 0;
    HostError err;
    inquire(s, kIdPage, &rc, &err);
    EXPECT_EQ(rc, -1);
    EXPECT_THAT(err.AsString(), HasSubstr("vpd83"));

    disk("bad", {{"inquiry_hex", "12 3"}, {"fail", "vpd80,vpd00"}});
    s = scsi("/dev/bad");
    for (const unsigned char* cdb : {kStandard, kSerialPage}) {
        err = HostError::Success();
        inquire(s, cdb, &rc, &err);
        EXPECT_EQ(rc, -1);
        EXPECT_FALSE(err.ok());
    }
    EXPECT_EQ(inquire(s, kIdPage).size(), 24u);
}

TEST_F(SimulatedDiskTest, OtherCommandsAndBadArgumentsFail) {
    disk("xivd4");
    ScsiInterface* s = scsi("/dev/xivd4");
    ASSERT_NE(s, nullptr);
    unsigned char data[64], sense[32] = {};
    HostError err;
    const unsigned char readCapacity[] = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(
        s->sendCommand(readCapacity, 10, data, sizeof data, 0, 1, sense, sizeof sense, 10, &err),
        -1);
    EXPECT_FALSE(err.ok());
    EXPECT_EQ(sense[2], 0x05) << "ILLEGAL REQUEST";
    const unsigned char pageWithoutEvpd[] = {0x12, 0x00, 0x80, 0x00, 0xFF, 0x00};
    const unsigned char unknownPage[] = {0x12, 0x01, 0xB0, 0x00, 0xFF, 0x00};
    for (const unsigned char* cdb : {pageWithoutEvpd, unknownPage})
        EXPECT_EQ(s->sendCommand(cdb, 6, data, sizeof data, 0, 1, sense, 3, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(kStandard, 5, data, sizeof data, 0, 1, nullptr, 0, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(kStandard, 6, nullptr, 64, 0, 1, nullptr, 0, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(kStandard, 6, data, sizeof data, 1, 1, nullptr, 0, 10, &err), -1)
        << "data-out";
}

TEST_F(SimulatedDiskTest, OnlyPlainBaseNamesReachTheCatalog) {
    disk("xivd5");
    HostError err;
    for (const char* name :
         {"/dev/zrso-missing", "/dev/xivd5/..", "{idatype:vmware,vendor:HP}", "/dev/.x"}) {
        EXPECT_FALSE(DeviceTree::getDevice(name, &err)) << name;
        EXPECT_FALSE(err.ok()) << name;
    }
    ScopedEnv unset("ZRSO_SIM_DISKS", nullptr);
    EXPECT_FALSE(DeviceTree::getDevice("/dev/xivd5", &err)) << "catalog only when named";
}

}  // namespace
