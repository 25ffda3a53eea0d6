// Device identification through the real runtime: simulated disks answer the
// SCSI inquiries (pages under tests/data/vpd), the simulator's xiv_devlist
// runs as a child, a scripted VMware server gives identification texts, and
// the host's registered arrays come from the scripted host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/Codes.h"
#include "engine/identity/FilerInfo.h"
#include "engine/identity/FilerInfoVMWare.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/HostWorld.h"
#include "support/LogCapture.h"
#include "support/PlatformSettings.h"
#include "support/SimArray.h"
#include "support/SimDisks.h"
#include "support/TestData.h"

namespace {

// A page of tests/data/vpd as the disk catalog takes it: hex digits.
std::string Page(const std::string& name) {
    std::string hex;
    for (unsigned char c : HexPage("vpd/" + name))
        hex += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
    return hex;
}

std::string ArrayInfo(const std::string& host, const std::string& serial,
                      const std::string& password = "pw") {
    return "{hostid:7,hostName:" + host + ",hostUserName:admin" +
           (password.empty() ? "" : ",hostPassword:" + password) + ",serial:" + serial + "}";
}

// /dev/xivd1 on array 1310133 (hex serial 1302795), and two registered
// arrays of which the second holds it.
struct FilerInfoTest : ::testing::Test {
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
        os.arrayInfos["xiv-a"] = ArrayInfo("xiv-a", "1399999", "pw-a");
        os.arrayInfos["xiv-b"] = ArrayInfo("xiv-b", "1310133", "pw-b");
    }
    int Resolve(const std::string& dev, bool identityOnly = false, bool allowDevList = true) {
        return GetFilerInfo(&info, dev, &os, record, allowDevList, identityOnly);
    }
    std::string Error() const { return info.lastError() ? info.lastError()->message : "(none)"; }
};

// Each disk is a good XIV disk but for one answer.
TEST_F(FilerInfoTest, PagesAreTrustedOnlyAsFarAsTheyReach) {
    ASSERT_EQ(Resolve(device, true), 1) << info.logText();
    EXPECT_EQ(record.sArrayId + "|" + record.sVolumeId, "1310133|6001738002795000000000000000A001");
    for (const auto& c : TestTable("identity/odd-disks.txt")) {
        SimDisk disk = SimDisks::Xiv();
        const std::string& key = c.at(1);
        (key == "vendor"    ? disk.vendor
         : key == "product" ? disk.product
                            : disk.extra[key]) =
            key.find("_hex") != std::string::npos ? Page(c.at(2)) : c.at(2);
        XIVFilerSnapInfo fresh;
        EXPECT_EQ(GetFilerInfo(&info, disks.add(c[0], disk), &os, fresh, true, true),
                  c.at(3).empty() ? 0 : 1)
            << c[0];
        EXPECT_EQ(fresh.sVolumeId, c[3]) << c[0];
    }
    EXPECT_EQ(Resolve("/dev/no-such-disk"), 0);
    EXPECT_TRUE(os.arrayListTypes.empty());
}

TEST_F(FilerInfoTest, FirstArrayHoldingEitherSerialFormSuppliesTheLogin) {
    os.arrayListScript.then(TextStep::TooSmall(2000));
    os.arrayInfos["xiv-b"].then(TextStep::TooSmall(5000));
    ASSERT_EQ(Resolve(device), 1) << info.logText();
    EXPECT_EQ(record.sHostName + "|" + record.sHostUserName + "|" + record.sHostPassword,
              "xiv-b|admin|pw-b");
    EXPECT_EQ(os.arrayListTypes, (std::vector<std::string>{"IBM XIV", "IBM XIV"}));
    EXPECT_EQ(os.arrayInfoAsks, (std::vector<std::string>{"xiv-a", "xiv-b", "xiv-b"}));
    EXPECT_EQ(os.arrayListScript.sizesOffered(), (std::vector<int>{1024, 2000}));
    EXPECT_EQ(os.arrayInfos["xiv-b"].sizesOffered(), (std::vector<int>{4096, 5000}));

    // The hexadecimal form matches too and replaces the id.
    os.arrayInfos["xiv-a"] = ArrayInfo("xiv-a", "1302795");
    ASSERT_EQ(Resolve(device), 1);
    EXPECT_EQ(record.sHostName + "|" + record.sArrayId, "xiv-a|1302795");
}

TEST_F(FilerInfoTest, LookupFailuresTellTheHost) {
    // The first match decides, even without a password.
    os.arrayInfos["xiv-a"] = ArrayInfo("xiv-a", "1310133", "");
    EXPECT_EQ(Resolve(device), 0);
    EXPECT_EQ(os.arrayInfoAsks, std::vector<std::string>{"xiv-a"});
    EXPECT_EQ(info.lastError()->code, kArrayNotRegisteredCode);
    EXPECT_EQ(Error(),
              "This array [1310133] is not present among the list of "
              "Arrays [xiv-a:xiv-b] retrieved from database.");
    // An array the host cannot describe ends the walk.
    os.arrays = {"unknown", "xiv-b"};
    EXPECT_EQ(Resolve(device), 0);
    EXPECT_EQ(Error(), "Unable to get ArrayInfo for the array 1310133.... Error = -1");
    os.arrayListScript.failAlways(-3);
    EXPECT_EQ(Resolve(device), 0);
    EXPECT_EQ(info.lastError()->code, kNoArrayListCode);
    EXPECT_EQ(Error(), "Unable to get list of IBM XIV arrays.");

    // A configured tool directory without the tool fails visibly, and is not
    // used when the caller forbids it.
    settings.text("sXivDevListPath", disks.dir() + "/no-tool-here");
    EXPECT_EQ(Resolve(device, true, true), 0);
    EXPECT_EQ(info.lastError()->code, kDevListToolCode);
    EXPECT_EQ(Resolve(device, true, false), 1);
}

// The simulator's xiv_devlist over the world's array, v1 mapped to this
// machine: supported, not supported and missing disks end to end.
TEST(FilerInfoDevList, ToolAnswersIdentityAndLogin) {
    REQUIRE_HOST_WORLD();
    HostWorld w(HostWorldOptions{true, false, "", "", 1, 0});
    PlatformSettings settings;
    settings.text("sXivDevListPath", SimBinDir());
    FakeSnapInfo info;
    FakeZROSUtil os;
    w.fakeHost(os);
    XIVFilerSnapInfo record;
    ASSERT_EQ(GetFilerInfo(&info, w.disks().at(0), &os, record, true, false), 1) << info.logText();
    EXPECT_EQ(record.sVolumeName + "|" + record.sArrayId + "|" + record.sHostName,
              std::string("v1|1310133|") + HostWorld::kAddress);
    EXPECT_FALSE(record.sVolumeId.empty());

    const std::string stray = w.addDisk("stray",
                                        "vendor=IBM\nproduct=2810XIV\nserial=13027950002\n"
                                        "naa=6001738002795000000000000000BEEF\n");
    EXPECT_EQ(GetFilerInfo(&info, stray, &os, record, true, true), 0);
    EXPECT_EQ(info.lastError()->code, kDevListToolCode);
    EXPECT_EQ(info.lastError()->message,
              "Unable to get details from xiv_devlist for device  [/dev/stray]. "
              "Error[No matching device found through xiv_devlist.]");
}

const std::string kDigits = "6001738000cbe0000000000000001a2b";
const std::string kWwn = "6001738000CBE0000000000000001A2B";
// Target port of array serial 0x00CBE: the five-digit serial 03262.
const std::string kVMwareDisk =
    "{idatype:vmware,vendor:IBM,product:2810XIV,lunuuid:lun-17,targetidentifier:50:01:73:80:0c:be:"
    "01:40,type:fc}";

struct FilerInfoVMWareTest : ::testing::Test {
    FakeSnapInfo info;
    FakeZROSUtil os;
    XIVFilerSnapInfo record;

    void SetUp() override {
        info.intProperties = {{11, 7}, {1, 9}};  // fleet id, application id
        info.hostPaths[10] = "esx-source";
        info.hostPaths[9] = "{esxname:esx-mount,password:esx-secret}";
        os.vmwarePages["NAA"] = "01030010" + kDigits;
        os.arrays = {"xiv-a", "xiv-b"};
        os.arrayInfos["xiv-a"] =
            "{hostid:1,hostName:xiv-a,hostUserName:u,hostPassword:pw-a-secret,sn:1399999}";
        os.arrayInfos["xiv-b"] =
            "{hostid:2,hostName:xiv-b,hostUserName:u,hostPassword:pw-b-secret,arrayId:1303262}";
    }
    int Resolve(bool identityOnly) {
        return GetFilerInfoVMWare(&info, kVMwareDisk, &os, record, identityOnly);
    }
};

TEST_F(FilerInfoVMWareTest, NaaAnswerGivesWwnAndTheFiveDigitSerialGainsItsPrefix) {
    ASSERT_EQ(Resolve(false), 1) << info.logText();
    EXPECT_EQ(record.sVolumeId, kWwn);
    EXPECT_EQ(os.pageAsks, std::vector<std::string>{"esx-source|lun-17|NAA|9|7|3|42|4096"});
    // 03262 follows "13" in the second array's info.
    EXPECT_EQ(record.sArrayId + "|" + record.sHostName + "|" + record.sHostPassword,
              "1303262|xiv-b|pw-b-secret");
    // Neither the array that did not match nor the ESX login is logged with
    // its password; the first is logged masked.
    EXPECT_EQ(info.countLogs("secret") + info.countLogs("SECRET"), 0);
    EXPECT_EQ(info.countLogs("HOSTPASSWORD:*,SN:1399999}], nPos=[-1]", 2), 1);
}

TEST_F(FilerInfoVMWareTest, TextsGiveAsManyDigitsAsTheyPromiseAndAnEmptyNaaAsksUnknown) {
    for (const auto& t : TestTable("identity/vmware-naa-texts.txt")) {
        os.vmwarePages["NAA"] = t.at(0);
        XIVFilerSnapInfo fresh;
        EXPECT_EQ(GetFilerInfoVMWare(&info, kVMwareDisk, &os, fresh, true), t.at(1).empty() ? 0 : 1)
            << t[0];
        EXPECT_EQ(fresh.sVolumeId, t[1]);
    }

    os.pageAsks.clear();
    os.vmwarePages["NAA"] = "";
    os.vmwarePages["UNKNOWN"] = "0103*_ZRSO_*0010" + kDigits + "*_ZRSO_*";
    ASSERT_EQ(Resolve(true), 1) << info.logText();
    ASSERT_EQ(os.pageAsks.size(), 2u);
    EXPECT_EQ(os.pageAsks[1], "esx-mount|lun-17|UNKNOWN|9|7|5|42|4096");
    EXPECT_EQ(record.sVolumeId + "|" + record.sArrayId, kWwn + "|03262");
    EXPECT_TRUE(os.arrayListTypes.empty());

    os.vmwarePages.erase("UNKNOWN");
    EXPECT_EQ(Resolve(true), 0);
    os.pageResult = 8;
    EXPECT_EQ(Resolve(true), 0);
    os.pageAsks.clear();
    info.hostPaths.erase(9);
    EXPECT_EQ(Resolve(true), 0);
    EXPECT_TRUE(os.pageAsks.empty());
}

TEST_F(FilerInfoVMWareTest, LoginLookupDifferences) {
    // A serial found too early to carry its prefix is no match.
    os.arrayInfos["xiv-a"] = "03262,hostid:1,hostName:xiv-a,hostUserName:u,hostPassword:pw}";
    ASSERT_EQ(Resolve(false), 1) << info.logText();
    EXPECT_EQ(record.sHostName, "xiv-b");
    // Found by the hexadecimal serial, which then gains the prefix.
    os.arrayInfos["xiv-a"] = "{hostid:1,hostName:xiv-a,hostUserName:u,hostPassword:pw,sn:1300cbe}";
    ASSERT_EQ(Resolve(false), 1);
    EXPECT_EQ(record.sHostName + "|" + record.sArrayId, "xiv-a|1300CBE");

    os.arrays = {"xiv-a"};
    os.arrayInfos["xiv-a"] = "{hostid:1,hostName:xiv-a,hostUserName:u,hostPassword:pw}";
    EXPECT_EQ(Resolve(false), 0);
    EXPECT_EQ(info.lastError()->code, kArrayNotRegisteredCode);
    EXPECT_EQ(info.lastError()->message, "Cant find the IBM XIV array in database.");
    // GetFilerInfo hands VMware disks over.
    EXPECT_EQ(GetFilerInfo(&info, kVMwareDisk, &os, record, true, true), 1);
}

}  // namespace
