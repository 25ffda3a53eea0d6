#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/common/Codes.h"
#include "engine/identity/FilerInfo.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/LogCapture.h"
#include "support/PlatformSettings.h"
#include "support/SimDisks.h"

namespace {

const std::string kWwn = "6001738002795000000000000000A001";

std::string Hex(const std::string& bytes) {
    std::string hex;
    char b[3];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        hex += b;
    }
    return hex;
}

std::string ArrayInfo(const std::string& host, const std::string& serial,
                      const std::string& password) {
    return "{hostid:7,hostName:" + host + ",hostUserName:admin" +
           (password.empty() ? "" : ",hostPassword:" + password) + ",serial:" + serial + "}";
}

// /dev/xivd1 on array 1310133 (hex serial 1302795), and two registered
// arrays of which the second holds it.
struct FilerInfoScsiTest : ::testing::Test {
    LogCapture capture;
    PlatformSettings settings;
    SimDisks disks;
    FakeSnapInfo info;
    FakeZROSUtil os;
    XIVFilerSnapInfo record;
    const std::string device =
        disks.add("xivd1", SimDisks::Xiv("13027950001", "6001738002795000000000000000a001"));

    void SetUp() override {
        os.arrays = {"xiv-a", "xiv-b"};
        os.arrayInfos["xiv-a"] = ArrayInfo("xiv-a", "1399999", "pw-a-secret");
        os.arrayInfos["xiv-b"] = ArrayInfo("xiv-b", "1310133", "pw-b-secret");
    }
    int Resolve(const std::string& dev, bool identityOnly = false, bool allowDevList = true) {
        return GetFilerInfo(&info, dev, &os, record, allowDevList, identityOnly);
    }
    int LastCode() const { return info.lastError() ? info.lastError()->code : 0; }
};

TEST_F(FilerInfoScsiTest, XivDiskResolvesToSerialAndWwnWithoutTheArrayList) {
    ASSERT_EQ(Resolve(device, true), 1) << info.logText();
    EXPECT_EQ(record.sArrayId, "1310133");
    EXPECT_EQ(record.sVolumeId, kWwn);
    EXPECT_EQ(info.countLogs("Serial Num:[1310133] Vol WWN:[" + kWwn + "]", 0), 1);
    EXPECT_TRUE(os.arrayListTypes.empty());
}

TEST_F(FilerInfoScsiTest, OtherDisksAndUntrustworthyAnswersAreRefused) {
    struct Case {
        std::string name, vendor, product, key, value, line;
    } cases[] = {
        {"hds", "HITACHI", "2810XIV", "", "", "[/dev/hds] Not an IBM disk..."},
        {"svc", "IBM", "2145", "", "", "[/dev/svc] Not an IBM disk..."},
        {"f1", "IBM", "2810XIV", "fail", "inquiry",
         "Fail to send scsi inquiry cdb, caught exception: "},
        {"f2", "IBM", "2810XIV", "fail", "vpd83",
         "Fail to send scsi inqury cdb, caught exception: "},
        // Serial page claiming 0x40 bytes with three behind it; one whose length cuts the serial.
        {"s1", "IBM", "2810XIV", "vpd80_hex", Hex(std::string("\0\x80\0\x40", 4) + "130"),
         "holds no array serial."},
        {"s2", "IBM", "2810XIV", "vpd80_hex", Hex(std::string("\0\x80\0\x03", 4) + "13027950001"),
         "holds no array serial."},
        // Identifier length 16 with four bytes behind it; a descriptor past the page; none.
        {"i1", "IBM", "2810XIV", "vpd83_hex",
         Hex(std::string("\0\x83\0\x14\x01\x03\0\x10\x60\x01\x73\x80", 12)),
         "holds no complete identifier."},
        {"i2", "IBM", "2810XIV", "vpd83_hex",
         Hex(std::string("\0\x83\0\x02\x01\x03\0\x02\x60\x01", 10)),
         "holds no complete identifier."},
        {"i3", "IBM", "2810XIV", "vpd83_hex", Hex(std::string("\0\x83\0\0", 4)),
         "holds no complete identifier."},
    };
    for (const Case& c : cases) {
        SimDisk disk = SimDisks::Xiv();
        disk.vendor = c.vendor;
        disk.product = c.product;
        if (!c.key.empty()) disk.extra[c.key] = c.value;
        FakeSnapInfo fresh;
        EXPECT_EQ(GetFilerInfo(&fresh, disks.add(c.name, disk), &os, record, true, false), 0)
            << c.name;
        EXPECT_EQ(fresh.countLogs(c.line, 2), 1) << c.name << "\n" << fresh.logText();
    }
    EXPECT_EQ(Resolve("/dev/no-such-disk"), 0);
    EXPECT_EQ(info.countLogs("DeviceTree::getDevice exception caught :", 2), 1);
    EXPECT_TRUE(os.arrayListTypes.empty());

    // An honest short identifier still serves.
    SimDisk shortId = SimDisks::Xiv();
    shortId.extra["vpd83_hex"] = Hex(std::string("\0\x83\0\x06\x01\x03\0\x02\xab\xcd", 10));
    EXPECT_EQ(Resolve(disks.add("i4", shortId), true), 1);
    EXPECT_EQ(record.sVolumeId, "ABCD");
}

TEST_F(FilerInfoScsiTest, FirstArrayHoldingEitherSerialFormSuppliesTheLogin) {
    os.arrayListScript.then(TextStep::TooSmall(2000));
    os.arrayInfos["xiv-b"].then(TextStep::TooSmall(5000));
    ASSERT_EQ(Resolve(device), 1) << info.logText();
    EXPECT_EQ(record.sHostName, "xiv-b");
    EXPECT_EQ(record.sHostUserName, "admin");
    EXPECT_EQ(record.sHostPassword, "pw-b-secret");
    EXPECT_EQ(os.arrayListTypes, (std::vector<std::string>{"IBM XIV", "IBM XIV"}));
    EXPECT_EQ(os.arrayInfoAsks, (std::vector<std::string>{"xiv-a", "xiv-b", "xiv-b"}));
    EXPECT_EQ(os.arrayListScript.sizesOffered(), (std::vector<int>{1024, 2000}));
    EXPECT_EQ(os.arrayInfos["xiv-b"].sizesOffered(), (std::vector<int>{4096, 5000}));
    EXPECT_EQ(info.countLogs("controlhost [xiv-b] username [admin] password [***]", 0), 1);
    EXPECT_EQ(info.countLogs("secret"), 0);

    // The hexadecimal form matches too and replaces the id.
    os.arrayInfos["xiv-a"] = ArrayInfo("xiv-a", "1302795", "pw");
    ASSERT_EQ(Resolve(device), 1);
    EXPECT_EQ(record.sHostName, "xiv-a");
    EXPECT_EQ(record.sArrayId, "1302795");
}

TEST_F(FilerInfoScsiTest, LookupFailuresSetTheirErrors) {
    // The first match decides, even without a password.
    os.arrayInfos["xiv-a"] = ArrayInfo("xiv-a", "1310133", "");
    EXPECT_EQ(Resolve(device), 0);
    EXPECT_EQ(info.countLogs("Not all required fields are available.", 2), 1);
    EXPECT_EQ(os.arrayInfoAsks, std::vector<std::string>{"xiv-a"});
    EXPECT_EQ(LastCode(), kArrayNotRegisteredCode);
    EXPECT_EQ(info.lastError()->message,
              "This array [1310133] is not present among the list of "
              "Arrays [xiv-a:xiv-b] retrieved from database.");

    // An array the host cannot describe ends the walk.
    os.arrays = {"unknown", "xiv-b"};
    EXPECT_EQ(Resolve(device), 0);
    EXPECT_EQ(info.lastError()->message,
              "Unable to get ArrayInfo for the array 1310133.... Error = -1");

    os.arrayListScript.failAlways(-3);
    EXPECT_EQ(Resolve(device), 0);
    EXPECT_EQ(info.countLogs("Unable to get list of IBM XIV arrays.... Error = -3", 0), 1);
    EXPECT_EQ(LastCode(), kNoArrayListCode);
    EXPECT_EQ(info.lastError()->message, "Unable to get list of IBM XIV arrays.");
}

TEST_F(FilerInfoScsiTest, DeviceListToolOnlyWhenAllowed) {
    // A configured tool directory without the tool fails visibly...
    settings.text("sXivDevListPath", disks.dir() + "/no-tool-here");
    EXPECT_EQ(Resolve(device, true, true), 0);
    EXPECT_EQ(LastCode(), kDevListToolCode);
    // ...and is not used when the caller forbids it.
    EXPECT_EQ(Resolve(device, true, false), 1);
    EXPECT_EQ(info.countLogs("Using SCSI inquiry to get device details.", 2), 1);
}

}  // namespace
