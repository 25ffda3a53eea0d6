#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/Codes.h"
#include "engine/common/Redact.h"
#include "engine/identity/FilerInfo.h"
#include "engine/identity/FilerInfoVMWare.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"

namespace {

const std::string kDigits = "6001738000cbe0000000000000001a2b";
const std::string kWwn = "6001738000CBE0000000000000001A2B";
// Target port of array serial 0x00CBE: the five-digit serial 03262.
const std::string kDevice =
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
        return GetFilerInfoVMWare(&info, kDevice, &os, record, identityOnly);
    }
    int Secrets() const { return info.countLogs("secret") + info.countLogs("SECRET"); }
};

TEST_F(FilerInfoVMWareTest, NaaAnswerGivesWwnAndTheFiveDigitSerialGainsItsPrefix) {
    ASSERT_EQ(Resolve(false), 1) << info.logText();
    EXPECT_EQ(record.sVolumeId, kWwn);
    ASSERT_EQ(os.pageAsks.size(), 1u);
    const VMwarePageCall& ask = os.pageAsks[0];
    EXPECT_EQ(ask.hostPath + "|" + ask.lunUuid + "|" + ask.nameSpace, "esx-source|lun-17|NAA");
    EXPECT_EQ(std::vector<int>({ask.applicationId, ask.fleetId, ask.nameSpaceCode, ask.reserved,
                                ask.bufferSize}),
              std::vector<int>({9, 7, 3, 42, 4096}));
    // 03262 follows "13" in the second array's info.
    EXPECT_EQ(record.sArrayId, "1303262");
    EXPECT_EQ(record.sHostName, "xiv-b");
    EXPECT_EQ(record.sHostPassword, "pw-b-secret");
    // The array that did not match is logged with its password masked.
    EXPECT_EQ(info.countLogs("HOSTPASSWORD:*,SN:1399999}], nPos=[-1]", 2), 1);
    EXPECT_EQ(Secrets(), 0);
}

TEST_F(FilerInfoVMWareTest, EmptyNaaAsksUnknownOnceAndIdentityUsesTheMountPath) {
    os.vmwarePages["NAA"] = "";
    os.vmwarePages["UNKNOWN"] = "0103*_ZRSO_*0010" + kDigits + "*_ZRSO_*";
    ASSERT_EQ(Resolve(true), 1) << info.logText();
    ASSERT_EQ(os.pageAsks.size(), 2u);
    EXPECT_EQ(os.pageAsks[1].nameSpace, "UNKNOWN");
    EXPECT_EQ(os.pageAsks[1].nameSpaceCode, 5);
    EXPECT_EQ(os.pageAsks[1].hostPath, "esx-mount");
    EXPECT_EQ(record.sVolumeId, kWwn);
    EXPECT_EQ(record.sArrayId, "03262");
    EXPECT_TRUE(os.arrayListTypes.empty());
    EXPECT_EQ(Secrets(), 0);

    os.vmwarePages.erase("UNKNOWN");
    EXPECT_EQ(Resolve(true), 0);
    EXPECT_EQ(info.countLogs("[ERROR] Couldn't get UNKNOWN namespace details VMWare-Server(1).", 2),
              1);
    os.pageResult = 8;
    EXPECT_EQ(Resolve(true), 0);
    EXPECT_EQ(info.countLogs("[ERROR] Couldn't get NAA namespace details VMWare-Server(8).", 2), 1);
}

TEST_F(FilerInfoVMWareTest, MissingFactsAndShortIdentificationTextsAreRefused) {
    const std::pair<std::string, std::string> texts[] = {
        {"01030010" + kDigits.substr(2), "is shorter than its length 16 promises."},
        {"010300", "has no valid header."},
        {"010300zz" + kDigits, "has no valid header."},
        {"01030000" + kDigits, "carries no identifier."},
    };
    for (const auto& t : texts) {
        os.vmwarePages["NAA"] = t.first;
        XIVFilerSnapInfo fresh;
        EXPECT_EQ(GetFilerInfoVMWare(&info, kDevice, &os, fresh, true), 0) << t.first;
        EXPECT_TRUE(fresh.sVolumeId.empty());
        EXPECT_GE(info.countLogs(t.second, 2), 1) << t.first;
    }
    os.pageAsks.clear();
    info.hostPaths.erase(9);
    EXPECT_EQ(Resolve(true), 0);
    EXPECT_EQ(info.countLogs("Unable to get Host-Mount path.", 2), 1);
    EXPECT_TRUE(os.pageAsks.empty());
}

TEST_F(FilerInfoVMWareTest, LoginLookupDifferences) {
    // A serial found too early to carry its prefix is no match.
    os.arrayInfos["xiv-a"] =
        "03262,hostid:1,hostName:xiv-a,hostUserName:u,hostPassword:pw-a-secret}";
    ASSERT_EQ(Resolve(false), 1) << info.logText();
    EXPECT_EQ(record.sHostName, "xiv-b");
    EXPECT_EQ(info.countLogs("nPos=[0]", 2), 1);

    // Found by the hexadecimal serial, which then gains the prefix.
    os.arrayInfos["xiv-a"] = "{hostid:1,hostName:xiv-a,hostUserName:u,hostPassword:pw,sn:1300cbe}";
    ASSERT_EQ(Resolve(false), 1);
    EXPECT_EQ(record.sHostName, "xiv-a");
    EXPECT_EQ(record.sArrayId, "1300CBE");

    os.arrays = {"xiv-a"};
    os.arrayInfos["xiv-a"] = "{hostid:1,hostName:xiv-a,hostUserName:u,hostPassword:pw}";
    EXPECT_EQ(Resolve(false), 0);
    EXPECT_EQ(info.countLogs("HEX ArrayID=[00CBE] was not found too.", 2), 1);
    EXPECT_EQ(info.countLogs("GetFilerInfoVMWare: This array (03262) is not present in the list of "
                             "Arrays (xiv-a) given.",
                             2),
              1);
    ASSERT_NE(info.lastError(), nullptr);
    EXPECT_EQ(info.lastError()->code, kArrayNotRegisteredCode);
    EXPECT_EQ(info.lastError()->message, "Cant find the IBM XIV array in database.");

    // GetFilerInfo hands VMware disks over.
    EXPECT_EQ(GetFilerInfo(&info, kDevice, &os, record, true, true), 1);
}

TEST(MaskPassword, HidesTheFirstPasswordToItsEnd) {
    const std::pair<std::string, std::string> cases[] = {
        {"{HOSTNAME:A,HOSTPASSWORD:SECRET,HOSTUSERNAME:U}",
         "{HOSTNAME:A,HOSTPASSWORD:*,HOSTUSERNAME:U}"},
        {"{HOSTNAME:A,HOSTPASSWORD:SE}CRET}",
         "{HOSTNAME:A,HOSTPASSWORD:*}"},  // a brace inside it too
        {"{HOSTPASSWORD:ONE,X:1,HOSTPASSWORD:TWO}", "{HOSTPASSWORD:*,X:1,HOSTPASSWORD:TWO}"},
        // Nothing to mask: no terminator, no value, lower-case key, empty text.
        {"{HOSTPASSWORD:SECRET", "{HOSTPASSWORD:SECRET"},
        {"{HOSTPASSWORD:", "{HOSTPASSWORD:"},
        {"{hostPassword:secret}", "{hostPassword:secret}"},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.first;
        MaskPassword(text);
        EXPECT_EQ(text, c.second);
    }
}

}  // namespace
