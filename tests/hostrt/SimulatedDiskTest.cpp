#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "TestSupport.h"
#include "host/rt/DeviceTree.h"
#include "host/rt/SimDiskCatalog.h"

using hostrt_test::ScopedEnv;
using hostrt_test::TempDir;
using ::testing::ElementsAreArray;

namespace {

using Bytes = std::vector<unsigned char>;

const unsigned char kStandard[] = {0x12, 0x00, 0x00, 0x00, 0xFF, 0x00};
const unsigned char kSerialPage[] = {0x12, 0x01, 0x80, 0x00, 0xCF, 0x00};
const unsigned char kIdPage[] = {0x12, 0x01, 0x83, 0x00, 0xFF, 0x00};

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class SimulatedDiskTest : public ::testing::Test {
protected:
    SimulatedDiskTest() : env_("ZRSO_SIM_DISKS", dir_.path().c_str()), catalog_(dir_.path()) {}

    void disk(const std::string& name, SimDiskCatalog::Fields extra = {}) {
        SimDiskCatalog::Fields fields = {{"vendor", "IBM"},
                                         {"product", "2810XIV"},
                                         {"revision", "10.2"},
                                         {"serial", "13027950A1B"},
                                         {"naa", "6001738CFC9035E80000000000001234"},
                                         {"lun", "1"}};
        fields.insert(fields.end(), extra.begin(), extra.end());
        std::string err;
        ASSERT_TRUE(catalog_.write(name, fields, &err)) << err;
    }

    ScsiInterface* scsi(const std::string& device) {
        HostError err;
        handle_ = DeviceTree::getDevice(device.c_str(), &err);
        EXPECT_TRUE(handle_) << err.AsString();
        if (!handle_) return nullptr;
        return static_cast<ScsiInterface*>(handle_->getInterface(ScsiInterface::INTERFACE_NAME));
    }

    // Sends cdb the way the plug-in does (4096-byte buffer, 0, 1, null, 0, 10)
    // and returns the bytes transferred, or an empty vector with *rc -1.
    Bytes inquire(ScsiInterface* s, const unsigned char* cdb, int* rc = nullptr,
                  HostError* err = nullptr, unsigned int length = 4096) {
        Bytes buffer(4096 + 16, 0xEE);
        HostError local;
        int n = s->sendCommand(cdb, 6, buffer.data(), length, 0, 1, nullptr, 0, 10,
                               err ? err : &local);
        if (rc) *rc = n;
        for (std::size_t i = length; i < buffer.size(); ++i)
            EXPECT_EQ(buffer[i], 0xEE) << "wrote past the buffer length at " << i;
        if (n < 0) return Bytes();
        for (std::size_t i = n; i < length; ++i)
            EXPECT_EQ(buffer[i], 0xEE) << "wrote past the transfer at " << i;
        return Bytes(buffer.begin(), buffer.begin() + n);
    }

    TempDir dir_;
    ScopedEnv env_;
    SimDiskCatalog catalog_;
    SharedRef<HostDevice> handle_;
};

TEST_F(SimulatedDiskTest, StandardInquiryIsSynthesisedByteExact) {
    disk("xivd1");
    ScsiInterface* s = scsi("/dev/xivd1");
    ASSERT_NE(s, nullptr);
    Bytes expected = concat({{0x00, 0x00, 0x05, 0x02, 31, 0x00, 0x00, 0x00},
                             text("IBM     "),
                             text("2810XIV         "),
                             text("10.2")});
    EXPECT_THAT(inquire(s, kStandard), ElementsAreArray(expected));
    // Found by base name alone too.
    EXPECT_NE(scsi("xivd1"), nullptr);
    EXPECT_EQ(handle_->getInterface("OtherInterface"), nullptr);
    EXPECT_EQ(handle_->getInterface(nullptr), nullptr);
}

TEST_F(SimulatedDiskTest, LongFieldsAreCutToTheirWidth) {
    disk("long", {{"vendor", "IBMCORPORATION"}, {"product", "0123456789ABCDEFGHIJ"},
                  {"revision", "123456"}});
    Bytes data = inquire(scsi("/dev/long"), kStandard);
    ASSERT_EQ(data.size(), 36u);
    EXPECT_EQ(std::string(data.begin() + 8, data.end()), "IBMCORPO0123456789ABCDEF1234");
}

TEST_F(SimulatedDiskTest, VpdPagesAreByteExact) {
    disk("xivd2");
    ScsiInterface* s = scsi("/dev/xivd2");
    ASSERT_NE(s, nullptr);
    EXPECT_THAT(inquire(s, kSerialPage),
                ElementsAreArray(concat({{0x00, 0x80, 0x00, 11}, text("13027950A1B")})));
    EXPECT_THAT(inquire(s, kIdPage),
                ElementsAreArray(Bytes{0x00, 0x83, 0x00, 20, 0x01, 0x03, 0x00, 16, 0x60, 0x01,
                                       0x73, 0x8C, 0xFC, 0x90, 0x35, 0xE8, 0, 0, 0, 0, 0, 0, 0x12,
                                       0x34}));
    const unsigned char supported[] = {0x12, 0x01, 0x00, 0x00, 0xFF, 0x00};
    EXPECT_THAT(inquire(s, supported), ElementsAreArray(Bytes{0x00, 0x00, 0x00, 3, 0x00, 0x80, 0x83}));
}

TEST_F(SimulatedDiskTest, MissingOrBadNaaGivesPageWithoutDesignator) {
    disk("nonaa", {{"naa", "6001738XYZ"}});
    EXPECT_THAT(inquire(scsi("/dev/nonaa"), kIdPage), ElementsAreArray(Bytes{0x00, 0x83, 0x00, 0x00}));
}

TEST_F(SimulatedDiskTest, AllocationAndBufferLengthBoundTheAnswer) {
    disk("xivd3");
    ScsiInterface* s = scsi("/dev/xivd3");
    ASSERT_NE(s, nullptr);
    const unsigned char five[] = {0x12, 0x00, 0x00, 0x00, 0x05, 0x00};
    EXPECT_EQ(inquire(s, five).size(), 5u);
    const unsigned char zero[] = {0x12, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(inquire(s, zero).size(), 0u);
    const unsigned char serialFour[] = {0x12, 0x01, 0x80, 0x00, 0x04, 0x00};
    EXPECT_THAT(inquire(s, serialFour), ElementsAreArray(Bytes{0x00, 0x80, 0x00, 11}));
    int rc = 0;
    EXPECT_EQ(inquire(s, kStandard, &rc, nullptr, 10).size(), 10u);
    EXPECT_EQ(rc, 10);
    // A 16-bit allocation length: byte 3 counts.
    disk("bigserial", {{"serial", std::string(300, 'S')}});
    const unsigned char wide[] = {0x12, 0x01, 0x80, 0x01, 0x00, 0x00};
    EXPECT_EQ(inquire(scsi("bigserial"), wide).size(), 256u);
    EXPECT_EQ(inquire(scsi("bigserial"), kSerialPage).size(), 0xCFu);
}

TEST_F(SimulatedDiskTest, RawAnswersReplaceSynthesisedOnes) {
    Bytes raw(300);
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<unsigned char>(i * 7);
    std::string hex;
    for (unsigned char b : raw) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
    }
    disk("raw", {{"inquiry_hex", "00 00 05 02 1f 00 00 00 49 42 4d"}, {"vpd80_hex", hex},
                 {"vpd83_hex", ""}});
    ScsiInterface* s = scsi("/dev/raw");
    ASSERT_NE(s, nullptr);
    EXPECT_THAT(inquire(s, kStandard),
                ElementsAreArray(Bytes{0x00, 0x00, 0x05, 0x02, 0x1F, 0x00, 0x00, 0x00, 'I', 'B', 'M'}));
    EXPECT_THAT(inquire(s, kSerialPage), ElementsAreArray(Bytes(raw.begin(), raw.begin() + 0xCF)));
    EXPECT_EQ(inquire(s, kIdPage).size(), 24u) << "an empty raw value keeps the synthesised page";

    disk("badraw", {{"inquiry_hex", "12 3"}});
    int rc = 0;
    HostError err;
    inquire(scsi("/dev/badraw"), kStandard, &rc, &err);
    EXPECT_EQ(rc, -1);
    EXPECT_FALSE(err.ok());
}

TEST_F(SimulatedDiskTest, FailMakesThatCommandFail) {
    disk("failing", {{"fail", "vpd80"}});
    ScsiInterface* s = scsi("/dev/failing");
    ASSERT_NE(s, nullptr);
    int rc = 0;
    HostError err;
    EXPECT_EQ(inquire(s, kStandard, &rc).size(), 36u);
    inquire(s, kSerialPage, &rc, &err);
    EXPECT_EQ(rc, -1);
    EXPECT_FALSE(err.ok());
    EXPECT_THAT(err.AsString(), ::testing::HasSubstr("vpd80"));
    EXPECT_EQ(inquire(s, kIdPage).size(), 24u);

    disk("failall", {{"fail", "inquiry,vpd83"}});
    s = scsi("/dev/failall");
    inquire(s, kStandard, &rc);
    EXPECT_EQ(rc, -1);
    inquire(s, kIdPage, &rc);
    EXPECT_EQ(rc, -1);
}

TEST_F(SimulatedDiskTest, OtherCommandsAndBadArgumentsFailWithSense) {
    disk("xivd4");
    ScsiInterface* s = scsi("/dev/xivd4");
    ASSERT_NE(s, nullptr);
    unsigned char data[64];
    unsigned char sense[32] = {};
    HostError err;
    const unsigned char readCapacity[] = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(s->sendCommand(readCapacity, 10, data, sizeof data, 0, 1, sense, sizeof sense, 10, &err), -1);
    EXPECT_FALSE(err.ok());
    EXPECT_EQ(sense[0], 0x70);
    EXPECT_EQ(sense[2], 0x05) << "ILLEGAL REQUEST";
    EXPECT_EQ(sense[12], 0x20);

    const unsigned char pageWithoutEvpd[] = {0x12, 0x00, 0x80, 0x00, 0xFF, 0x00};
    const unsigned char unknownPage[] = {0x12, 0x01, 0xB0, 0x00, 0xFF, 0x00};
    for (const unsigned char* cdb : {pageWithoutEvpd, unknownPage}) {
        err = HostError::Success();
        EXPECT_EQ(s->sendCommand(cdb, 6, data, sizeof data, 0, 1, sense, 3, 10, &err), -1);
        EXPECT_FALSE(err.ok());
    }
    EXPECT_EQ(s->sendCommand(nullptr, 6, data, sizeof data, 0, 1, nullptr, 0, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(kStandard, 5, data, sizeof data, 0, 1, nullptr, 0, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(kStandard, 6, nullptr, 64, 0, 1, nullptr, 0, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(kStandard, 6, data, sizeof data, 1, 1, nullptr, 0, 10, &err), -1);
    EXPECT_EQ(s->sendCommand(kStandard, 6, data, sizeof data, 0, 1, nullptr, 0, 10, nullptr), 36);
}

TEST_F(SimulatedDiskTest, UnknownNamesFallThroughToRealDevices) {
    disk("xivd5");
    HostError err;
    for (const char* name : {"/dev/zrso-missing-disk", "/dev/../xivd5/..", "{idatype:vmware,vendor:HP}",
                             "/dev/.hidden"}) {
        err = HostError::Success();
        EXPECT_FALSE(DeviceTree::getDevice(name, &err)) << name;
        EXPECT_FALSE(err.ok()) << name;
    }
    ScopedEnv unset("ZRSO_SIM_DISKS", nullptr);
    EXPECT_FALSE(DeviceTree::getDevice("/dev/xivd5", &err)) << "catalog only when named";
}

}  // namespace
