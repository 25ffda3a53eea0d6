// Devices as the host opens them. Simulated disks answer INQUIRY from their
// catalog entry (the catalog and the cases, inquiries.txt, are in
// tests/data/simdisk): pages made from the fields or given raw, cut to the
// allocation and buffer lengths and never written past; named failures fail.
// The catalog keeps entries whose names and fields cannot escape it. Device
// nodes without a SCSI disk behind them, what a build machine has, fail in
// the right shape.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "TempDir.h"
#include "TestData.h"
#include "host/rt/DeviceTree.h"
#include "host/rt/SimDiskCatalog.h"

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
        std::vector<unsigned char> cdb;
        for (std::size_t i = 0; i < row[1].size(); i += 2)
            cdb.push_back(static_cast<unsigned char>(std::stoi(row[1].substr(i, 2), nullptr, 16)));
        std::vector<unsigned char> buffer(4096 + 16, 0xEE);
        HostError err;
        int n = s->sendCommand(cdb.data(), static_cast<int>(cdb.size()), buffer.data(),
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

TEST(SimDiskCatalog, WriteReadListRemove) {
    TempDir dir;
    SimDiskCatalog catalog(dir.file("catalog/sub"));  // created on first write
    std::string err;
    SimDiskCatalog::Fields fields = {{"vendor", "IBM"}, {"serial", "1302795 1A"}, {"seen_by", ""}};
    ASSERT_TRUE(catalog.write("xivd2", fields, &err)) << err;
    ASSERT_TRUE(catalog.write("xivd1", {{"vendor", "HP"}}, &err)) << err;
    ASSERT_TRUE(catalog.write("xivd1", {{"vendor", "IBM"}}, &err)) << err;  // replaces
    EXPECT_EQ(ReadFileText(catalog.entryPath("xivd2")),
              "vendor=IBM\nserial=1302795 1A\nseen_by=\n");
    dir.write("catalog/sub/.xivd3.tmp", "vendor=IBM\n");
    dir.write("catalog/sub/notes.txt", "");
    EXPECT_EQ(catalog.list(), (std::vector<std::string>{"xivd1", "xivd2"}));

    SimDiskCatalog::Fields back;
    ASSERT_TRUE(catalog.read("xivd2", &back, &err));
    EXPECT_EQ(back, fields);
    EXPECT_TRUE(catalog.remove("xivd1", &err));
    EXPECT_TRUE(catalog.remove("xivd1", &err)) << "already gone is fine";
    EXPECT_EQ(catalog.list(), std::vector<std::string>{"xivd2"});
    EXPECT_FALSE(catalog.read("xivd1", &back, &err));

    // Hand-written entries: blanks, CR, comments and junk lines.
    dir.write("catalog/sub/sdx.disk", "# by hand\r\nvendor = IBM \r\n\njunk\n=x\nlun=1\nlun=2");
    ASSERT_TRUE(catalog.read("sdx", &back, &err));
    EXPECT_EQ(SimDiskCatalog::value(back, "vendor"), "IBM");
    EXPECT_EQ(SimDiskCatalog::value(back, "lun"), "2");
    EXPECT_EQ(SimDiskCatalog::value(back, "absent"), "");
}

TEST(SimDiskCatalog, RejectsNamesAndFieldsThatCouldEscapeOrInject) {
    TempDir dir;
    SimDiskCatalog catalog(dir.path());
    std::string err;
    for (const char* name : {"", ".", "..", "../x", "a/b", ".hidden", "sp ace", "nl\n"})
        EXPECT_FALSE(catalog.write(name, {{"vendor", "IBM"}}, &err)) << name;
    EXPECT_FALSE(catalog.write("ok", {{"vendor", "IBM\nfail=inquiry"}}, &err));
    EXPECT_FALSE(catalog.write("ok", {{"a=b", "c"}}, &err));
    EXPECT_FALSE(catalog.write("ok", {{"", "c"}}, &err));
    EXPECT_NE(err, "");
    EXPECT_TRUE(catalog.list().empty());
    EXPECT_TRUE(SimDiskCatalog::validName("dm-0"));
    EXPECT_FALSE(SimDiskCatalog::validName(std::string(201, 'a')));
}

}  // namespace
